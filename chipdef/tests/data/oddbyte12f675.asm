; gpasm places the byte of a "de" that follows an org inside the EEPROM area at
; byte address 0x2100 * 2 + 0x7F, in a data record of one byte. The image reader
; refuses records with a lone byte, so loading oddbyte12f675.hex fails on its line 4.
;   gpasm -a inhx32 oddbyte12f675.asm
        list    p=12f675
        org     0
        retlw   0
        org     0x2100
        de      0x11
        org     0x217F
        de      0xAB
        end
