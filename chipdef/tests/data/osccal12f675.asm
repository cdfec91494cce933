; Reads the factory oscillator calibration on a PIC12F675 and toggles GP0. Assembled
; with gpasm into osccal12f675.hex:
;   gpasm -a inhx32 osccal12f675.asm
; Configuration word 0x31C4 (internal oscillator, watchdog off, power-up timer on,
; MCLR off), ID locations 1 to 4, EEPROM bytes 0x11, 0x22, 0x33, 0xAB at 0 to 3 (one
; "de" only: a "de" after a second org in the EEPROM area lands on a misplaced lone
; byte, see oddbyte12f675.asm).
; The image leaves code address 0x3FF (the calibration RETLW) alone.
        list    p=12f675
        __config 0x31C4

STATUS  equ     0x03
RP0     equ     5
GPIO    equ     0x05
TRISIO  equ     0x85
OSCCAL  equ     0x90

        org     0
        bsf     STATUS, RP0
        call    0x3FF
        movwf   OSCCAL & 0x7F
        bcf     TRISIO & 0x7F, 0
        bcf     STATUS, RP0
loop    movlw   0x01
        xorwf   GPIO, f
        goto    loop

        org     0x2000
        dw      0x0001, 0x0002, 0x0003, 0x0004

        org     0x2100
        de      0x11, 0x22, 0x33, 0xAB
        end
