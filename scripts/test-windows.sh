#!/usr/bin/env bash
# The Windows leg. Cross-builds varnel_core, varnel.exe and the core's Windows
# tests with MinGW-w64, makes an NTFS, a FAT and a 4 GiB volume with the Linux
# tools, maps them to Wine drive letters (a "dosdevices" link "n::" to a
# read-only loop device over the image, or to the image itself where loop
# devices are not available, makes "\\.\N:" read it), runs the tests under
# Wine, and checks that varnel.exe lists and recovers through a drive letter
# exactly what the Linux build lists and recovers from the image.
# Needs root (loop devices, the ntfs-3g FUSE mount); scripts/test.sh runs it.
#   LINUX_BUILD  the Linux build whose `varnel` is the reference (build-test)
#   WIN_BUILD    the cross build (build-win)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
LINUX_BUILD=${LINUX_BUILD:-build-test}
WIN_BUILD=${WIN_BUILD:-build-win}
VOL="$ROOT/$WIN_BUILD/volumes"

phase() { printf '== %s (%ds)\n' "$1" "$SECONDS" >&2; }
fail() { echo "test-windows: $*" >&2; exit 1; }

phase "packages"
scripts/install-deps.sh
scripts/install-deps.sh --windows

phase "Linux reference build"
if [ ! -f "$LINUX_BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$LINUX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_WERROR=ON >/dev/null
fi
nice cmake --build "$LINUX_BUILD" --target varnel varnel-edition1 >/dev/null

phase "cross build"
cmake -S . -B "$WIN_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_WERROR=ON >/dev/null
nice cmake --build "$WIN_BUILD"

# A fresh Wine prefix per run, made without a display and without the Mono
# and Gecko installers (their dialogs would wait for a user forever).
export WINEPREFIX="$ROOT/$WIN_BUILD/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
LOOPS=()
NTFS_MOUNT="$VOL/ntfs-mnt"
cleanup() {
  wineserver -k 2>/dev/null || true
  mountpoint -q "$NTFS_MOUNT" 2>/dev/null && umount "$NTFS_MOUNT"
  for loop in "${LOOPS[@]}"; do losetup -d "$loop" 2>/dev/null || true; done
}
trap cleanup EXIT

phase "Wine prefix"
rm -rf "$WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1 || fail "wineboot did not finish"
timeout 120 wineserver -w

phase "volumes"
rm -rf "$VOL"
mkdir -p "$VOL"

# content NAME SIZE: bytes that differ in every file and every 512-byte block.
content() {
  python3 -c 'import hashlib, sys
name, size = sys.argv[1], int(sys.argv[2])
out = bytearray()
while len(out) < size:
    out += hashlib.sha256(f"{name}/{len(out)}".encode()).digest() * 16
sys.stdout.buffer.write(bytes(out[:size]))' "$1" "$2"
}

# NTFS through the ntfs-3g driver: names in several scripts and one beyond the
# basic plane, names Windows reserves, nested folders, a large file, and
# deletions of files and of a whole folder.
truncate -s 24M "$VOL/ntfs.img"
mkntfs -q -F -f -L WINLEG "$VOL/ntfs.img" >/dev/null
mkdir -p "$NTFS_MOUNT"
ntfs-3g -o no_detach "$VOL/ntfs.img" "$NTFS_MOUNT" &
NTFS_PID=$!
for _ in $(seq 100); do mountpoint -q "$NTFS_MOUNT" && break; sleep 0.1; done
mountpoint -q "$NTFS_MOUNT" || fail "ntfs-3g could not mount the NTFS volume"
ntfs_put() { mkdir -p "$NTFS_MOUNT/$(dirname "$1")"; content "$1" "$2" > "$NTFS_MOUNT/$1"; }
ntfs_put "readme.txt" 700
ntfs_put "Docs/Grüße.txt" 5000
ntfs_put "Docs/日本語/資料.bin" 70000
ntfs_put "Docs/😀 smile.txt" 1234
ntfs_put "Docs/Sub/big.bin" 3000000
ntfs_put "Odd/what?.txt" 900
ntfs_put "Odd/con.txt" 901
ntfs_put "Trash/gone.bin" 200000
ntfs_put "Trash/Inner/also-gone.txt" 4096
ntfs_put "Docs/deleted-note.txt" 3333
touch -d '2021-06-15 10:20:30' "$NTFS_MOUNT/readme.txt" "$NTFS_MOUNT/Docs/Grüße.txt"
rm "$NTFS_MOUNT/Docs/deleted-note.txt"
rm -r "$NTFS_MOUNT/Trash"
umount "$NTFS_MOUNT"
wait "$NTFS_PID" || fail "ntfs-3g did not finish the NTFS volume cleanly"

# FAT16 through mtools: long names in UTF-8, a folder, deleted files and a deleted folder.
mkfs.fat -C -F 16 -n VARNELFAT -i 1A2B3C4D "$VOL/fat.img" 16384 >/dev/null
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
fat_put() { content "$1" "$2" > "$VOL/fat-file"; touch -d '2022-02-02 12:34:56' "$VOL/fat-file"; mcopy -m -i "$VOL/fat.img" "$VOL/fat-file" "::/$1"; }
mmd -i "$VOL/fat.img" ::/Photos ::/Photos/Summer ::/Old
fat_put "README.TXT" 600
fat_put "Photos/Strandkorb Übersicht.jpg" 150000
fat_put "Photos/Summer/long name of a picture.jpg" 40000
fat_put "Old/removed.doc" 30000
fat_put "lost file.bin" 77777
mdel -i "$VOL/fat.img" "::/lost file.bin"
mdeltree -i "$VOL/fat.img" ::/Old
rm -f "$VOL/fat-file"

# Just over 4 GiB, all holes but a marked sector at byte 2^32.
truncate -s 4295000064 "$VOL/big.img"
printf 'Z%.0s' $(seq 512) | dd of="$VOL/big.img" bs=512 seek=$((1 << 23)) conv=notrunc status=none

# What Linux's libblkid says of the volumes, for the drive list under Wine.
blkid_value() { blkid -p -o value -s "$2" "$1"; }
FAT_SERIAL=$(blkid_value "$VOL/fat.img" UUID | tr -d '-' | sed 's/^\(....\)\(....\)$/\1-\2/')
NTFS_UUID=$(blkid_value "$VOL/ntfs.img" UUID)
NTFS_SERIAL=$(echo "${NTFS_UUID: -8}" | sed 's/^\(....\)\(....\)$/\1-\2/')

phase "drive letters"
DEVICES=loop
map() {  # map LETTER IMAGE
  local letter=$1 image=$2 device
  if device=$(losetup -r -f --show "$image" 2>/dev/null); then
    LOOPS+=("$device")
  else
    device=$image
    DEVICES=file
  fi
  mkdir -p "$VOL/root-$letter"
  ln -sfn "$VOL/root-$letter" "$WINEPREFIX/dosdevices/$letter:"
  ln -sfn "$device" "$WINEPREFIX/dosdevices/$letter::"
}
map n "$VOL/ntfs.img"
map f "$VOL/fat.img"
map l "$VOL/big.img"
winpath() { echo "Z:$1" | tr / '\\'; }
export VARNEL_WIN_DEVICES=$DEVICES
export VARNEL_WIN_NTFS_DRIVE=N VARNEL_WIN_NTFS_IMAGE=$(winpath "$VOL/ntfs.img") VARNEL_WIN_NTFS_SERIAL=$NTFS_SERIAL
export VARNEL_WIN_FAT_DRIVE=F VARNEL_WIN_FAT_IMAGE=$(winpath "$VOL/fat.img") VARNEL_WIN_FAT_FILESYSTEM=FAT
export VARNEL_WIN_FAT_LABEL=$(blkid_value "$VOL/fat.img" LABEL) VARNEL_WIN_FAT_SERIAL=$FAT_SERIAL
export VARNEL_WIN_BIG_DRIVE=L
[ "$DEVICES" = loop ] || echo "test-windows: no loop devices; drive letters lead to the image files" >&2

phase "tests under Wine"
OUT="$ROOT/$WIN_BUILD/test-output.txt"
if ! wine "$WIN_BUILD/tests/win/varnel_win_tests.exe" >"$OUT" 2>&1; then
  cat "$OUT"
  fail "the Windows tests failed"
fi
grep -q '\[  PASSED  \]' "$OUT" || { cat "$OUT"; fail "the Windows tests did not finish"; }
if grep -q '\[  SKIPPED \]' "$OUT"; then
  cat "$OUT"
  fail "Windows tests were skipped although every volume is mapped"
fi
grep '\[  PASSED  \]' "$OUT" >&2

phase "varnel.exe against the Linux build"
WIN_EXE="$ROOT/$WIN_BUILD"
# Windows writes text lines with CR LF; the listings are compared without the
# CR. Wine's own note that it cannot read the volume behind Z: (the Linux
# root) is left out.
wine_cli() {
  wine "$WIN_EXE/$1.exe" "${@:2}" 2> >(grep -v 'FS volume label and serial are not available' >&2) | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# A listing of each file and folder below a folder: kind, path, bytes, modification time.
manifest() {
  (cd "$1" && find . -mindepth 1 -printf '%y %P\n' | LC_ALL=C sort | while read -r kind path; do
    if [ "$kind" = f ]; then
      echo "f $path $(sha256sum <"$path" | cut -c1-64) $(stat -c %Y "$path")"
    else
      echo "$kind $path $(stat -c %Y "$path")"
    fi
  done)
}

same() {  # same WHAT EXPECTED ACTUAL
  if ! diff -u "$2" "$3" >&2; then fail "$1: the Windows build differs from the Linux build"; fi
  echo "  same: $1 ($(wc -l <"$2") lines)" >&2
}

CMP="$ROOT/$WIN_BUILD/compare"
rm -rf "$CMP"
mkdir -p "$CMP"
# compare NAME CLI LINUX_SOURCE WINDOWS_SOURCE [OPTIONS...]
compare() {
  local name=$1 cli=$2 linux_source=$3 windows_source=$4
  shift 4
  "$LINUX_BUILD/$cli" list "$linux_source" --json "$@" >"$CMP/$name-linux.jsonl"
  wine_cli "$cli" list "$windows_source" --json "$@" >"$CMP/$name-win.jsonl"
  same "$name listing" "$CMP/$name-linux.jsonl" "$CMP/$name-win.jsonl"
  "$LINUX_BUILD/$cli" list "$linux_source" --json --deleted "$@" >"$CMP/$name-deleted-linux.jsonl"
  wine_cli "$cli" list "$windows_source" --json --deleted "$@" >"$CMP/$name-deleted-win.jsonl"
  same "$name deleted listing" "$CMP/$name-deleted-linux.jsonl" "$CMP/$name-deleted-win.jsonl"
  "$LINUX_BUILD/$cli" recover "$linux_source" --to "$CMP/$name-out-linux" "$@" 2>/dev/null
  wine_cli "$cli" recover "$windows_source" --to "$(winpath "$CMP/$name-out-win")" "$@" >/dev/null 2>&1 ||
    fail "$name: varnel.exe recover failed"
  # Names Windows reserves are written the way Windows takes them.
  manifest "$CMP/$name-out-linux" | sed -e 's|/what?\.txt |/what_.txt |' -e 's|/con\.txt |/con_.txt |' \
    >"$CMP/$name-linux.manifest"
  manifest "$CMP/$name-out-win" >"$CMP/$name-win.manifest"
  same "$name recovered files" "$CMP/$name-linux.manifest" "$CMP/$name-win.manifest"
}
compare ntfs varnel "$VOL/ntfs.img" N:
grep -q '^f odd/con_.txt ' "$CMP/ntfs-win.manifest" || fail "con.txt was not renamed for Windows"
grep -q '"path":"docs/😀 smile.txt"' "$CMP/ntfs-win.jsonl" || fail "a name beyond the basic plane did not survive"
compare ntfs-image varnel "$VOL/ntfs.img" "$VARNEL_WIN_NTFS_IMAGE"
FAT_TYPE=()
[ "$DEVICES" = loop ] || FAT_TYPE=(--type FAT)  # Wine names the file system of a device only
compare fat varnel-edition1 "$VOL/fat.img" F: "${FAT_TYPE[@]}"

# The drive list, and the file-system names in it as the engines are chosen by them.
wine_cli varnel drives --json >"$CMP/drives.jsonl"
grep -q '"letter":"N","type":"fixed","filesystem":"NTFS"' "$CMP/drives.jsonl" || fail "N: is not listed as NTFS"
if [ "$DEVICES" = loop ]; then
  grep -q "\"letter\":\"F\",\"type\":\"fixed\",\"filesystem\":\"FAT\",\"label\":\"VARNELFAT\",\"serial\":\"$FAT_SERIAL\"" \
    "$CMP/drives.jsonl" || { cat "$CMP/drives.jsonl"; fail "F: is not listed with its FAT label and serial"; }
fi
echo "  drives: $(grep -c letter "$CMP/drives.jsonl") listed" >&2

# A destination on the scanned drive is refused.
set +e
wine_cli varnel recover N: --to 'N:\rescued' >/dev/null 2>"$CMP/same-drive.err"
STATUS=$?
set -e
[ "$STATUS" = 2 ] && grep -q "select some other drive" "$CMP/same-drive.err" ||
  fail "a destination on the scanned drive was not refused (status $STATUS)"

phase "done"
