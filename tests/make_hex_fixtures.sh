#!/bin/sh
# Writes random images and their Intel HEX forms, made by the reference tools objcopy and
# srec_cat, into $1. manifest.txt lists "name base": name.hex converted at base must give name.bin.
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"

random() { head -c "$1" /dev/urandom > "$2"; }

# objcopy: 16-byte records, extended segment addresses beyond 64 KiB.
random 100000 seg.raw
objcopy -I binary -O ihex seg.raw seg0.hex
cp seg.raw seg0.bin
echo "seg0 0" >> manifest.txt
cp seg0.hex seg8192.hex
tail -c +8193 seg.raw > seg8192.bin
echo "seg8192 8192" >> manifest.txt

random 300000 codec.raw
objcopy -I binary -O ihex --change-addresses 0x2000 codec.raw codec.hex
cp codec.raw codec.bin
echo "codec 8192" >> manifest.txt

# srec_cat: extended linear addresses, several record lengths, CR LF line ends.
random 200000 lin.raw
for size in 16 32 250; do
  srec_cat lin.raw -binary -offset 0x2000 -o "lin$size.hex" -intel -Output_Block_Size="$size" -crlf
  cp lin.raw "lin$size.bin"
  echo "lin$size 8192" >> manifest.txt
done
srec_cat lin.raw -binary -o lin0.hex -intel -Output_Block_Size=64
cp lin.raw lin0.bin
echo "lin0 0" >> manifest.txt

# A boot image of exactly one area, and a sparse image with a hole that must be filled.
random 8192 boot.bin
objcopy -I binary -O ihex boot.bin boot.hex
echo "boot 0" >> manifest.txt
random 1000 lo.raw
random 1000 hi.raw
srec_cat lo.raw -binary -offset 0x2000 hi.raw -binary -offset 0x12000 -o sparse.hex -intel
{ cat lo.raw; head -c $((0x10000 - 1000)) /dev/zero; cat hi.raw; } > sparse.bin
echo "sparse 8192" >> manifest.txt
rm -f ./*.raw
