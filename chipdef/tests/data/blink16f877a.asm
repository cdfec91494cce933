; Blinks PORTB on a PIC16F877A. Assembled with gpasm into blink16f877a.hex:
;   gpasm -a inhx32 blink16f877a.asm
; Configuration word 0x3F32 (HS oscillator, watchdog off, power-up timer on, LVP off),
; ID locations 1, 2, 3, 4 and five bytes of data EEPROM.
        list    p=16f877a
        __config 0x3F32
        __idlocs 0x1234

PORTB   equ     0x06
TRISB   equ     0x86
STATUS  equ     0x03
RP0     equ     5
COUNT   equ     0x20

        org     0
        goto    start
        org     4
        retfie
start   bsf     STATUS, RP0
        clrf    TRISB & 0x7F
        bcf     STATUS, RP0
loop    incf    PORTB, f
        call    delay
        goto    loop
delay   decfsz  COUNT, f
        goto    delay
        return
        ; The last code word, far above the rest.
        org     0x1FFF
        retlw   0x5A

        org     0x2100
        de      "VESK", 0x7E
        end
