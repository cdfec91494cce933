; The example program of scripts/demo, for the PIC16F628A on its internal 4 MHz
; oscillator: on the chip's UART at 9600 bit/s (RB2 transmits, RB1 receives) it sends
; a banner line, then answers every byte it receives with its upper-case form.
;
; The demo's simulated target behaves the same way, so that a Write with "Enter
; PassThrough after programming" and "Use built in terminal" shows the conversation on
; the Terminal page (at the terminal baud rate 9600). On a real chip wired to the
; programmer's pass-through lines it does the same.
;
; Built with gputils:  gpasm -p p16f628a -o echo.hex echo.asm

        processor 16f628a
        errorlevel -302         ; the bank bits are set with banksel
        #include <p16f628a.inc>
        __config _INTOSC_OSC_NOCLKOUT & _WDT_OFF & _PWRTE_ON & _MCLRE_ON & _BOREN_ON & _LVP_OFF & _CP_OFF & _CPD_OFF

        cblock 0x20
        ch                      ; the byte received
        index                   ; the banner's next character
        endc

        org 0x000
        goto    start
        org 0x004
        retfie                  ; no interrupts are enabled

start:
        movlw   0x07
        movwf   CMCON           ; comparators off
        banksel TRISB
        bsf     TRISB, 1        ; RB1: RX in
        bcf     TRISB, 2        ; RB2: TX out
        movlw   d'25'           ; 9600 bit/s at 4 MHz with BRGH set
        movwf   SPBRG
        movlw   b'00100100'     ; TXEN, BRGH
        movwf   TXSTA
        banksel RCSTA
        movlw   b'10010000'     ; SPEN, CREN
        movwf   RCSTA

        clrf    index
banner:
        movf    index, w
        call    banner_text
        iorlw   0
        btfsc   STATUS, Z       ; the 0 at its end
        goto    echo
        call    send
        incf    index, f
        goto    banner

echo:
        btfsc   RCSTA, OERR     ; an overrun stops the receiver: start it again
        goto    restart
        btfss   PIR1, RCIF
        goto    echo
        movf    RCREG, w
        movwf   ch
        movlw   'a'             ; 'a' to 'z' become 'A' to 'Z'
        subwf   ch, w
        btfss   STATUS, C       ; below 'a'
        goto    answer
        movlw   'z' + 1
        subwf   ch, w
        btfsc   STATUS, C       ; above 'z'
        goto    answer
        movlw   0x20
        subwf   ch, f
answer:
        movf    ch, w
        call    send
        goto    echo

restart:
        bcf     RCSTA, CREN
        bsf     RCSTA, CREN
        goto    echo

send:                           ; sends W when the transmitter has room
        btfss   PIR1, TXIF
        goto    send
        movwf   TXREG
        return

banner_text:                    ; the banner's character at index W; 0 at its end
        addwf   PCL, f
        dt      "VESK demo target ready", 0x0D, 0x0A, 0

        end
