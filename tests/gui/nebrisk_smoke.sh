#!/bin/sh
# Smoke test of the upgrade window on a virtual X display: copies the program, its libraries and
# the sample package into a folder of its own, starts it against a fresh simulated player, clicks
# the boot-code button on a boot file too large for the boot area (an error box), then again on
# the right one, then the main-firmware button on a damaged codec file (an error box with a long
# text, which must wrap) and again on the right one, presses OK on every message box, and checks the
# player's firmware areas and the settings file afterwards. The package names its boot file in
# Windows form, "sub\SampleBoot.hex". Screenshots of the window, of every message box and of the
# progress windows are kept in ARTIFACTS. The FLTK window also tells what it showed (every box,
# the status line, the progress window's status) in a trace file; the texts, and that each line
# fits its widget, are checked against it.
#
# Usage (inside xvfb-run): nebrisk_smoke.sh fltk|win32 BIN_DIR WORK_DIR ARTIFACTS
#   fltk:  BIN_DIR/nebrisk;  win32: BIN_DIR/Nebrisk.exe under wine (WINEPREFIX set by the caller)
set -eu
[ $# -eq 4 ] || { echo "usage: $0 fltk|win32 BIN_DIR WORK_DIR ARTIFACTS" >&2; exit 2; }
mode=$1 bin=$2 work=$3 artifacts=$4
# Seconds for the whole run: about 25 s for the window and 35 s under Wine, more on a busy machine.
limit=${SMOKE_TIMEOUT:-100}

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "[$(($(date +%s) - started)) s] $*"; }
started=$(date +%s)
elapsed() { echo $(($(date +%s) - started)); }

rm -rf "$work"
mkdir -p "$work/program" "$artifacts"
rm -f "$artifacts"/*.png "$artifacts"/texts.tsv
program="$work/program" player="$work/player"
# The texts the window showed, as it tells them (see app/text_trace.h).
trace="$work/texts.tsv"
case $mode in
  fltk)
    # The libraries with their versioned names, which they are linked by.
    cp "$bin/nebrisk" "$program/"
    cp -P "$bin"/libVORPEXUSB.so* "$bin"/libORVANEUsbDll.so* "$bin"/libvorpexsim.so* "$program/"
    run() { NEBRISK_TEXT_TRACE=$trace "$program/nebrisk" --simulate "$player"; }
    "$bin/vorpex" sim init "$player" >/dev/null || fail "cannot create the simulated player"
    ;;
  win32)
    cp "$bin/Nebrisk.exe" "$bin/VORPEXUSB.dll" "$bin/ORVANEUsbDll.dll" "$bin/VorpexSim.dll" "$program/"
    export WINEDEBUG=-all
    run() {
      NEBRISK_TEXT_TRACE=$(winepath -w "$trace") wine "$program/Nebrisk.exe" \
        --simulate "$(winepath -w "$player")"
    }
    wine "$bin/vorpex.exe" sim init "$(winepath -w "$player")" >/dev/null ||
      fail "cannot create the simulated player"
    ;;
  *) fail "unknown mode $mode" ;;
esac
cp -r "$bin/CodecFileInfo.ini" "$bin/BootCodec" "$program/"
# The boot file in a folder below BootCodec, named as a package made on Windows names it. At first
# it holds the codec's image, which does not fit the boot area.
mkdir "$program/BootCodec/sub"
cp "$program/BootCodec/SampleCodec.hex" "$program/BootCodec/sub/SampleBoot.hex"
sed -i 's/^BOOT FILENAME=.*\r$/BOOT FILENAME=sub\\SampleBoot.hex\r/' "$program/CodecFileInfo.ini"
grep -q 'BOOT FILENAME=sub.SampleBoot.hex' "$program/CodecFileInfo.ini" || fail "settings file not prepared"
settings_before=$(cat "$program/CodecFileInfo.ini")

run >"$work/program.log" 2>&1 &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; }
trap cleanup EXIT

shot() { import -window root "$artifacts/$1.png" && note "screenshot $1.png"; }

# The window whose name is exactly $1, waiting for it up to the time limit.
window_named() {
  w=""
  while [ -z "$w" ]; do
    [ "$(elapsed)" -lt "$limit" ] || fail "no window \"$1\" after $limit s"
    kill -0 "$pid" 2>/dev/null || fail "the program ended early: $(cat "$work/program.log")"
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$w" ] || sleep 0.2
  done
  echo "$w"
}

# The title says that a simulated player stands in.
main=$(window_named "Firmware Upgrade - simulated player")
note "window $main is up"
sleep 1 # let it paint
shot window-start

# Clicks a button by its place in the layout: the buttons span the width, and their middles lie
# at these fractions of the client area's height (twips 1207 and 1995 of 2790).
click_button() {
  eval "$(xdotool getwindowgeometry --shell "$main")"
  case $1 in
    boot) y=$((HEIGHT * 1207 / 2790)) ;;
    main) y=$((HEIGHT * 1995 / 2790)) ;;
  esac
  xdotool mousemove --window "$main" $((WIDTH / 2)) "$y" click 1
  note "clicked $1 at $((WIDTH / 2)),$y"
}

# The windows shown besides the upgrade window: message boxes and the progress window. The root
# window, as big as the screen, is not one of them.
other_windows() {
  eval "$(xdotool getdisplaygeometry --shell)"
  screen="${WIDTH}x${HEIGHT}"
  for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null || true); do
    [ "$w" = "$main" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null || echo WIDTH=0 HEIGHT=0)"
    [ "${WIDTH}x${HEIGHT}" = "$screen" ] && continue
    echo "$w"
  done
}

# The progress window shows the firmware file's name: the FLTK window says so in its trace; the
# library's own dialog under Wine shows it about four seconds after it opens (after the pauses of
# the upgrade mode and the erase).
progress_shows_file() {
  if [ "$mode" != fltk ]; then
    sleep 4
    return 0
  fi
  shown=$(grep -c '^progress	.*\.hex$' "$trace" 2>/dev/null || true)
  [ "${shown:-0}" -gt "$files_shown" ]
}
files_shown=0

# Presses OK on the next $1 message boxes, one after the other. The progress window (named $2;
# "" when none needs to be seen) is photographed once while it shows the file name, as $3.png.
boxes_total=0
answer_boxes() {
  count=$1 progress=$2 name=$3 answered=0 photographed=false
  [ -n "$progress" ] || photographed=true
  while [ "$answered" -lt "$count" ]; do
    [ "$(elapsed)" -lt "$limit" ] || fail "only $answered of $count message boxes after $limit s"
    kill -0 "$pid" 2>/dev/null || fail "the program ended early: $(cat "$work/program.log")"
    for w in $(other_windows); do
      title=$(xdotool getwindowname "$w" 2>/dev/null) || continue # gone meanwhile
      if [ -n "$progress" ] && [ "$title" = "$progress" ]; then
        if ! $photographed && progress_shows_file; then
          files_shown=$((files_shown + 1))
          sleep 1 # let it paint
          shot "$name"
          photographed=true
        fi
        continue
      fi
      # Message boxes are titled "" (the cable warning), "Nebrisk" or "Error" (the libraries'
      # boxes without a caption); a box stays up until it is answered.
      case $title in "" | Nebrisk | Error) ;; *) continue ;; esac
      sleep 0.3
      other_windows | grep -qx "$w" || continue
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ] || continue
      answered=$((answered + 1))
      boxes_total=$((boxes_total + 1))
      note "message box $boxes_total: \"$title\""
      shot "box-$boxes_total"
      xdotool windowfocus --sync "$w" key --clearmodifiers Return 2>/dev/null || true
      # Waits until the box has gone before looking for the next one.
      while other_windows | grep -qx "$w"; do
        [ "$(elapsed)" -lt "$limit" ] || fail "message box \"$title\" stays open"
        sleep 0.2
      done
    done
    sleep 0.2
  done
  $photographed || fail "no progress window \"$progress\" was seen"
}

# Boot state 0: the boot-code flow shows the cable warning, then the library's error box (the
# image is too large for the boot area), and offers the boot-code button again. With the right
# file it shows the cable warning and its completion box, then the main-firmware flow the cable
# warning (boot state 1 now) and its completion box.
click_button boot
answer_boxes 2 "" ""
sleep 1
shot window-failed
cp "$bin/BootCodec/SampleBoot.hex" "$program/BootCodec/sub/SampleBoot.hex"
click_button boot
answer_boxes 2 "Boot Code Upgrade" progress-boot
# A damaged codec file: one checksum digit of its first record changed. The box names the file
# by its full path and says what is wrong: a long text.
cp "$program/BootCodec/SampleCodec.hex" "$work/SampleCodec.hex"
sed -i '1s/..\r$/00\r/' "$program/BootCodec/SampleCodec.hex"
cmp -s "$work/SampleCodec.hex" "$program/BootCodec/SampleCodec.hex" && fail "codec file not damaged"
click_button main
answer_boxes 2 "" ""
cp "$work/SampleCodec.hex" "$program/BootCodec/SampleCodec.hex"
click_button main
answer_boxes 2 "Codec Upgrade" progress-codec
sleep 1
shot window-end

# The firmware areas hold the package's images, as srec_cat reads the HEX files (the codec's
# from address 0x2000 on).
srec_cat "$program/BootCodec/sub/SampleBoot.hex" -intel -o "$work/boot.expected" -binary
srec_cat "$program/BootCodec/SampleCodec.hex" -intel -offset -0x2000 -o "$work/codec.expected" -binary
cmp "$work/boot.expected" "$player/boot.bin" || fail "boot.bin differs from SampleBoot.hex"
cmp "$work/codec.expected" "$player/codec.bin" || fail "codec.bin differs from SampleCodec.hex"

# The settings file: only BOOT UPGRADE changed, from 0 to 1.
expected=$(printf '%s' "$settings_before" | sed 's/^BOOT UPGRADE=0/BOOT UPGRADE=1/')
[ "$(cat "$program/CodecFileInfo.ini")" = "$expected" ] ||
  fail "settings file: $(cat "$program/CodecFileInfo.ini")"
[ "$boxes_total" -eq 8 ] || fail "$boxes_total message boxes instead of 8"

# What the window showed: the texts whole (no line break at their end), each line within its
# widget, the progress window's status ending in the firmware file's name. The Win32 window tells
# its own boxes and status line only (the libraries show theirs and their progress window
# through the system).
cp "$trace" "$artifacts/texts.tsv" || fail "the window told no texts"
library_box='alert	Error	The specified form size is invalid.'
damaged_kind=alert damaged_file="$program/BootCodec/SampleCodec.hex"
if [ "$mode" != fltk ]; then
  # The Windows path, with "\" written as "\\" as the trace writes it.
  library_box="" damaged_kind=message
  damaged_file=$(winepath -w "$damaged_file" | sed 's/\\/\\\\/g')
fi
boxes=$(grep -E '^(alert|message|choice)	' "$trace" || true)
expected_boxes=$(printf '%s\n' \
  'message		Check USB cable connection, Please..' \
  "$library_box" \
  'message		Check USB cable connection, Please..' \
  'message	Nebrisk	Boot firmware upgrade completed. Please, USB cable plug-out' \
  'message		Check USB cable connection, Please..' \
  "$damaged_kind	Nebrisk	The firmware file $damaged_file is damaged: the record at line 1 is cut short, holds a character that is not a hex digit or fails its checksum." \
  'message		Check USB cable connection, Please..' \
  'message	Nebrisk	Firmware upgrade completed. Please, USB cable plug-out' | grep -v '^$')
[ "$boxes" = "$expected_boxes" ] || fail "message boxes said:
$boxes
instead of:
$expected_boxes"
statuses=$(awk -F '\t' '$1 == "status" { print $3 }' "$trace")
expected_statuses=$(printf '%s\n' "Firmware Upgrading...wait please" "Firmware Upgrade failed..." \
  "Firmware Upgrading...wait please" "Firmware Upgrade completed..." \
  "Firmware Upgrading...wait please" "Firmware Upgrade failed..." \
  "Firmware Upgrading...wait please" "Firmware Upgrade completed...")
[ "$statuses" = "$expected_statuses" ] || fail "the status line said:
$statuses
instead of:
$expected_statuses"
# Every box the window shows tells the width of its widest line, which fits the box's room.
widths=$(grep -c '^box-width	' "$trace" || true)
[ "$widths" -eq "$(printf '%s\n' "$boxes" | wc -l)" ] ||
  fail "$widths box widths told for $(printf '%s\n' "$boxes" | wc -l) boxes"
grep -qx 'title		Firmware Upgrade - simulated player' "$trace" || fail "the title was not told"
cut=$(awk -F '\t' '$1 == "status" || $1 == "progress" || $1 == "box-width" {
  split($2, f, "/"); if (f[1] + 0 > f[2] + 0) print }' "$trace")
[ -z "$cut" ] || fail "texts wider than their lines (width/room):
$cut"
if [ "$mode" = fltk ]; then
  for name in SampleBoot SampleCodec; do
    grep -q "^progress	.*/$name\.hex\$" "$trace" ||
      fail "the progress window never showed $name.hex: $(grep '^progress' "$trace")"
  done
fi
note "texts checked: $(wc -l <"$trace") lines"
note "passed"
