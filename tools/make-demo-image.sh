#!/usr/bin/env bash
# Makes the bundled demo volume: a 16 MiB NTFS image written by mkntfs and the
# ntfs-3g driver, holding a few photos, documents and a nested folder, some of
# them deleted afterwards the way a user deletes them. It writes
#   res/demo/demo-ntfs.img.zst          the compressed image
#   tests/golden/demo-deleted.sha256    the deleted files' bytes as written,
#                                       for checking what the tools bring back
# The file contents come from a fixed generator, so the checksums say what the
# driver was given, not what any reader made of the image. Needs root (FUSE).
set -euo pipefail
cd "$(dirname "$0")/.."

WORK=$(mktemp -d)
MNT="$WORK/mnt"
IMG="$WORK/demo-ntfs.img"
trap 'mountpoint -q "$MNT" && umount "$MNT"; rm -rf "$WORK"' EXIT

truncate -s 16M "$IMG"
mkntfs -F -q -f -L DEMO "$IMG" >/dev/null
mkdir -p "$MNT"
ntfs-3g "$IMG" "$MNT"

# content NAME SIZE KIND: deterministic bytes, different in every file; "jpeg" starts like a JPEG file,
# "text" is readable lines.
content() {
  python3 - "$1" "$2" "$3" <<'EOF'
import hashlib, sys
name, size, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
out = bytearray()
if kind == "text":
    n = 0
    while len(out) < size:
        out += f"{name}: line {n} of the demo document, kept for recovery.\n".encode()
        n += 1
else:
    if kind == "jpeg":
        out += bytes([0xFF, 0xD8, 0xFF, 0xE0, 0, 16]) + b"JFIF\0"
    # Every 512-byte block starts with a digest of the file name and block
    # number, so a block read from the wrong place shows; the rest of the
    # block is filler that keeps the compressed image small.
    block = 0
    while len(out) < size:
        out += hashlib.sha256(f"{name}/{block}".encode()).digest() + bytes(range(256)) + bytes(range(224))
        block += 1
    if kind == "jpeg":
        out = out[:size - 2] + bytes([0xFF, 0xD9])
sys.stdout.buffer.write(bytes(out[:size]))
EOF
}

put() {  # put PATH SIZE KIND
  mkdir -p "$MNT/$(dirname "$1")"
  content "$1" "$2" "$3" > "$MNT/$1"
}

put "Photos/IMG_0001.jpg" 183000 jpeg
put "Photos/IMG_0002.jpg" 241337 jpeg
put "Photos/IMG_0003.jpg" 97512 jpeg
put "Photos/Holiday/beach.jpg" 312000 jpeg
put "Photos/Holiday/sunset.jpg" 150001 jpeg
put "Documents/letter.txt" 4100 text
put "Documents/notes.txt" 600 text
put "Documents/Taxes 2025/receipts.txt" 22000 text
put "Documents/Taxes 2025/summary.bin" 70000 data
put "Music/song.ogg" 420000 data
put "readme.txt" 300 text

# What the user deletes: one photo, a whole folder of them, a document, and a
# folder with a subfolder.
DELETED=(
  "Photos/IMG_0002.jpg"
  "Photos/Holiday/beach.jpg"
  "Photos/Holiday/sunset.jpg"
  "Documents/notes.txt"
  "Documents/Taxes 2025/receipts.txt"
  "Documents/Taxes 2025/summary.bin"
)
mkdir -p tests/golden
( cd "$MNT" && sha256sum "${DELETED[@]}" ) > tests/golden/demo-deleted.sha256
rm -f "$MNT/Photos/IMG_0002.jpg" "$MNT/Documents/notes.txt"
rm -rf "$MNT/Photos/Holiday" "$MNT/Documents/Taxes 2025"
# Written after the deletions, small enough to stay inside its MFT record, so
# the deleted files keep their clusters.
put "Documents/new-letter.txt" 400 text

umount "$MNT"
# The driver writes its last metadata after the unmount returns; the image is
# complete once the process is gone.
while pgrep -f "ntfs-3g $IMG" >/dev/null; do sleep 0.1; done
mkdir -p res/demo
zstd -q -19 -f "$IMG" -o res/demo/demo-ntfs.img.zst
echo "wrote res/demo/demo-ntfs.img.zst and tests/golden/demo-deleted.sha256"
