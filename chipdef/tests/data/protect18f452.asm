; The CONFIG directive writes configuration bytes one at a time: records that begin
; at odd byte addresses and records of odd length (0x300001, 3 bytes; 0x300005, 2
; bytes). Code and data protection are on, as in production images.
;   gpasm -a inhx32 protect18f452.asm
        list    p=18f452
        #include <p18f452.inc>
        CONFIG  OSC = HS, WDT = OFF, LVP = OFF, CP0 = ON, CPB = ON, CPD = ON
        org     0
        movlw   0x55
        goto    0
        org     0xF00000
        de      0x11, 0x22, 0x33
        end
