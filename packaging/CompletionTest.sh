#!/usr/bin/env bash
# The bash completion of vesk against a vesk program: commands, the tool's and the
# command's options, chip names (also from a --chipdefs folder), fixed values and
# image files. Usage: CompletionTest.sh VESK COMPLETION-SCRIPT
set -uo pipefail
vesk=$1
# shellcheck source=/dev/null
source "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# expect "WORDS OFFERED" WORD...: completing the line of words, the last one being
# completed, offers exactly these words (sorted).
expect() {
    local want=$1
    shift
    COMP_WORDS=("$vesk" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vesk
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [ "$got" != "$want" ]; then
        echo "completing 'vesk $*': got '$got', want '$want'" >&2
        failed=1
    fi
}

expect "write" wr
expect "chips" ch
expect "--chip --chipdefs" --chi
expect "--chip --chipdefs" identify --ch
expect "--region" verify --reg
expect "data" write --region d
expect "115200 19200" -b 1
expect "--log --long" chips --lo
expect "PIC16F690" --chip PIC16F69
expect "PIC16F690" --chip=PIC16F69
expect "PIC16F690" --chip = PIC16F69
expect "PIC18F4550 PIC18F4553" chips PIC18F455
expect "write" -c PIC16F690 w
expect "" --chip PIC99

# The chips of the folder --chipdefs names, and image files after write.
printf '[Chip]\nName=MINE16\nId=0x1230\nAlgorithm=PIC16\n' >"$work/ChipDef_MINE16.ini"
expect "MINE16" --chipdefs "$work" --chip M
mkdir "$work/images"
touch "$work/images/blink.hex" "$work/images/notes.txt"
expect "$work/images/blink.hex" write "$work/images/"

exit "$failed"
