#!/usr/bin/env bash
# The GUI's pictures in res/: each compiled-in picture at the size the program
# lays it out at, its @2x twin listed right after it at exactly twice that
# size, the background as the flat 24-bit tile the dialogs paint, and the
# manual's copies the same as the program's own.
set -euo pipefail
RES=${1:?usage: test_pictures.sh RES_DIR}
. "$(dirname "$0")/png.sh"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The size a picture must have, by its path in the resource file.
expected_size() {
  case $1 in
    varnel.png) echo "128 128" ;;
    background.png) echo "774 573" ;;
    about/disk.png) echo "41 44" ;;
    about/logo.png) echo "28 45" ;;
    images/*-20.png) echo "20 20" ;;
    images/*-32.png) echo "32 32" ;;
    toolbar/*.png) echo "54 53" ;;
    *) echo "unknown" ;;
  esac
}

mapfile -t files < <(sed -n 's:.*<file>\(.*\)</file>.*:\1:p' "$RES/varnel.qrc")
[ ${#files[@]} -gt 0 ] || fail "no files in varnel.qrc"
for ((i = 0; i < ${#files[@]}; i++)); do
  f=${files[i]}
  [[ $f == *@2x.png ]] && continue
  [ -f "$RES/$f" ] || { fail "$f is listed but missing"; continue; }
  want=$(expected_size "$f")
  got=$(png_size "$RES/$f")
  [ "$got" = "$want" ] || fail "$f is ${got:-not a PNG}, wants $want"
  # The flat background has no twin: its tiling counts its pixels.
  [ "$f" = background.png ] && continue
  twin=${f%.png}@2x.png
  [ "${files[i + 1]:-}" = "$twin" ] || fail "$twin does not follow $f in varnel.qrc"
  read -r w h <<<"$want"
  got=$(png_size "$RES/$twin" 2>/dev/null || true)
  [ "$got" = "$((w * 2)) $((h * 2))" ] || fail "$twin is ${got:-missing}, wants $((w * 2)) $((h * 2))"
done

# 8 bits per channel, colour type 2: RGB without alpha.
[ "$(png_header "$RES/background.png" | cut -d' ' -f3,4)" = "8 2" ] || fail "background.png is not 24-bit RGB"

for f in "$RES"/help/images/*.png; do
  name=$(basename "$f")
  case $name in
    varnel*) continue ;;  # drawn for the manual at 48 pixels
    *-20.png | *-20@2x.png) own=$RES/images/$name ;;
    *) own=$RES/toolbar/$name ;;
  esac
  cmp -s "$f" "$own" || fail "help/images/$name differs from ${own#"$RES"/}"
done

[ "$failures" -eq 0 ] || exit 1
echo "pictures: ${#files[@]} resource files checked"
