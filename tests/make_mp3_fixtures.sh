#!/bin/sh
# Writes MPEG audio files made by Debian's encoders (lame for Layer III, twolame for Layer II,
# sox for the source tones) into $1, and manifest.txt: "name type kbit/s", the first audio frame's
# layer (16 Layer III, 64 Layer II) and bit rate as mpg123 decodes them, or "name 0 0" for a file
# whose first frame lies beyond the 16384 bytes in which a frame may start; and streams.txt:
# "name version layer mode kind rate frames" as mpg123 tells the whole stream ("m1.mp3 1.0 III
# j-s cbr128 44100 40"; kind cbrN, vbr or abrN).
set -eu
out=$1
rm -rf "$out"
mkdir -p "$out"
cd "$out"

tone() {  # tone RATE CHANNELS FILE: one second of two mixed tones
  sox -n -r "$1" -c "$2" -b 16 "$3" synth 1 sine 440 sine 1250 remix - gain -3 2>/dev/null ||
    sox -n -r "$1" -c "$2" -b 16 "$3" synth 1 sine 440
}

# The first frame as mpg123 decodes it: "L III" or "L II" from its stream line and the bit rate of
# the first audio frame from the progress line after decoding that frame alone (lame's information
# frame before it is read as such and not counted; without gapless decoding, no frame of the
# encoder's delay is skipped).
reference() {
  info=$(mpg123 -t -v --no-gapless -n 1 "$1" 2>&1 | tr '\r' '\n')
  layer=$(printf '%s\n' "$info" | sed -n 's/^MPEG [0-9.]* L \(I*\) .*/\1/p' | head -n 1)
  rate=$(printf '%s\n' "$info" | sed -n 's/^>.* \([0-9][0-9]*\) kb\/s .*/\1/p' | head -n 1)
  case "$layer" in
    III) type=16 ;;
    II) type=64 ;;
    *) echo "mpg123 finds no Layer II or III stream in $1" >&2; exit 1 ;;
  esac
  [ -n "$rate" ] || { echo "mpg123 shows no bit rate for $1" >&2; exit 1; }
  echo "$1 $type $rate" >> manifest.txt
  stream "$1"
}

# The whole stream as mpg123 decodes it: its stream line and the frames of its last progress line.
stream() {
  info=$(mpg123 -t -v "$1" 2>&1 | tr '\r' '\n')
  line=$(printf '%s\n' "$info" | sed -n 's/^MPEG \([0-9.]*\) L \(I*\) \([a-z]*[0-9]*\) \([0-9]*\) \(.*\)$/\1 \2 \5 \3 \4/p' |
    head -n 1)
  frames=$(printf '%s\n' "$info" | sed -n 's/^> *\([0-9]*\)+\([0-9]*\) .*/\1 \2/p' | tail -n 1)
  [ -n "$line" ] && [ -n "$frames" ] || { echo "mpg123 does not decode $1" >&2; exit 1; }
  set -- "$1" $line $frames
  echo "$1 $2 $3 $4 $5 $6 $(($7 + $8))" >> streams.txt
}

l3() {  # l3 NAME RATE CHANNELS LAME-OPTIONS...
  name=$1 rate=$2 channels=$3
  shift 3
  tone "$rate" "$channels" "$name.wav"
  lame --quiet "$@" "$name.wav" "$name.mp3"
  rm "$name.wav"
  reference "$name.mp3"
}

l2() {  # l2 NAME RATE CHANNELS TWOLAME-OPTIONS...
  name=$1 rate=$2 channels=$3
  shift 3
  tone "$rate" "$channels" "$name.wav"
  twolame --quiet "$@" "$name.wav" "$name.mp2"
  rm "$name.wav"
  reference "$name.mp2"
}

# Layer III, MPEG-1, MPEG-2 and MPEG 2.5 at each of their sampling rates, constant bit rates from
# the bottom to the top of the tables.
l3 m1-44100-128 44100 2 -b 128
l3 m1-48000-320 48000 2 -b 320
l3 m1-32000-32 32000 1 -b 32
l3 m1-44100-256 44100 2 -b 256
l3 m2-22050-64 22050 2 -b 64
l3 m2-24000-160 24000 2 -b 160
l3 m2-16000-8 16000 1 -b 8
l3 m25-11025-32 11025 1 -b 32
l3 m25-12000-64 12000 2 -b 64
l3 m25-8000-16 8000 1 -b 16
# Variable bit rate, behind lame's information frame.
l3 vbr-44100 44100 2 -V 2
l3 vbr-22050 22050 2 -V 6
l3 vbr-8000 8000 1 -V 9
l3 abr-44100-96 44100 2 --abr 96
l3 stereo-44100-112 44100 2 -m s -b 112
# An ID3v2 tag of a few kilobytes in front.
l3 tag-44100-192 44100 2 -b 192 --add-id3v2 --tt "A title" --ta "An artist" --pad-id3v2-size 5000

# Album art in the tag pushes the first frame beyond 16384 bytes: no frame can be found there.
# The picture's bytes hold no 0xFF, so nothing in the tag passes for a frame.
printf '\211PNG\r\n\032\n' > art.png
head -c 20000 /dev/zero >> art.png
tone 44100 2 art.wav
lame --quiet -b 128 --ti art.png art.wav art-44100-128.mp3
rm art.wav art.png
reference art-44100-128.mp3  # mpg123 still decodes it
sed -i 's/^art-44100-128.mp3 .*/art-44100-128.mp3 0 0/' manifest.txt
# A 160 KB cover picture, and ID3v1 and APE tags behind the audio.
printf '\211PNG\r\n\032\n' > cover.png
head -c 163840 /dev/zero >> cover.png
tone 44100 2 cover.wav
lame --quiet -b 160 --ti cover.png cover.wav cover-44100-160.mp3
rm cover.wav cover.png
# An APE tag of no items (its footer alone, 32 bytes) and an ID3v1 tag.
printf 'APETAGEX\320\007\000\000\040\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000' >> cover-44100-160.mp3
printf 'TAG%125s' "A title" >> cover-44100-160.mp3
reference cover-44100-160.mp3
sed -i 's/^cover-44100-160.mp3 .*/cover-44100-160.mp3 0 0/' manifest.txt

# Layer II, MPEG-1 and MPEG-2.
l2 l2-48000-192 48000 2 -b 192
l2 l2-44100-384 44100 2 -b 384
l2 l2-32000-32 32000 1 -b 32 -m m
l2 l2-24000-160 24000 2 -b 160
l2 l2-16000-8 16000 1 -b 8 -m m
l2 l2-dual-44100-128 44100 2 -b 128 -m d
