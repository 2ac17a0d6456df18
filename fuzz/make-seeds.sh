#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets from small volumes made by the
# real tools (mkntfs + ntfscp, mkfs.fat + mtools), plus a few hand-made
# run lists and LZNT1 units. Usage: fuzz/make-seeds.sh OUTDIR
set -euo pipefail
OUT=${1:?usage: make-seeds.sh OUTDIR}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export MTOOLS_SKIP_CHECK=1
for t in ntfs_boot ntfs_record ntfs_runlist lznt1 fat_boot fat_directory image; do mkdir -p "$OUT/$t"; done

# Bytes [offset, offset+count) of a file into a seed.
cut_out() { dd if="$1" bs=4096 iflag=skip_bytes,count_bytes skip="$2" count="$3" status=none; }
cut_bytes() { cut_out "$1" "$3" "$4" >"$2"; }
pattern() { head -c "$1" /dev/zero | tr '\0' "$2"; }

# ---- NTFS: a 2 MiB volume with a resident, a non-resident and a fragmented file.
ntfs="$WORK/ntfs.img"
truncate -s 2M "$ntfs"
mkntfs -F -q -f -s 512 -c 4096 -L seed "$ntfs" >/dev/null 2>&1
pattern 300 a >"$WORK/small.txt"
pattern 20000 b >"$WORK/medium.bin"
ntfscp -q "$ntfs" "$WORK/small.txt" small.txt
ntfscp -q "$ntfs" "$WORK/medium.bin" "medium long name.bin"
cp "$ntfs" "$OUT/image/ntfs.img"
cut_bytes "$ntfs" "$OUT/ntfs_boot/mkntfs" 0 512
# The MFT's first cluster from the boot sector, then records 0..3, 5 and the user records.
mft=$(od -An -tu8 -j48 -N8 "$ntfs" | tr -d ' ')
for r in 0 1 3 5 64 65 66; do cut_bytes "$ntfs" "$OUT/ntfs_record/record$r" $((mft * 4096 + r * 1024)) 1024; done
truncate -s 2M "$WORK/ntfs4k.img"
mkntfs -F -q -f -s 4096 -c 4096 "$WORK/ntfs4k.img" >/dev/null 2>&1
cut_bytes "$WORK/ntfs4k.img" "$OUT/ntfs_boot/mkntfs-4k" 0 512

# ---- Run lists (byte 0: volume size as a power of two) and LZNT1 units (bytes 0-1: capacity - 1).
printf '\x10\x21\x10\x00\x01\x11\x05\x20\x00' >"$OUT/ntfs_runlist/two"
printf '\x20\x31\x40\x00\x10\x00\x01\x08\x21\x02\xf0\x00' >"$OUT/ntfs_runlist/sparse-and-back"
printf '\x00\x48\x00\x00\x00\x00\x00\x00\x01\x00\x00' >"$OUT/ntfs_runlist/long"
printf '\xff\x0f\x05\xb0\x08abc\x06\x20\x00\x00' >"$OUT/lznt1/backref"
{ printf '\xff\x0f\xff\x3f'; pattern 4096 z; } >"$OUT/lznt1/stored"

# ---- FAT: each kind's boot sector; a FAT12 volume with long names, folders and deletions.
for bits in 12 16 32; do
  size=$([ $bits = 32 ] && echo 40M || echo 8M)
  truncate -s $size "$WORK/fat$bits.img"
  mkfs.fat -F $bits -s $([ $bits = 12 ] && echo 8 || echo 1) -n SEED "$WORK/fat$bits.img" >/dev/null
  cut_bytes "$WORK/fat$bits.img" "$OUT/fat_boot/mkfs-fat$bits" 0 512
done
fat="$WORK/fat.img"
truncate -s 256K "$fat"
mkfs.fat -F 12 -s 4 -S 512 -f 1 -r 512 -n SEED "$fat" >/dev/null
mmd -i "$fat" ::/Docs ::/Docs/Sub
mcopy -i "$fat" "$WORK/small.txt" "::/a long file name.txt"
mcopy -i "$fat" "$WORK/medium.bin" ::/Docs/Sub/data.bin
mcopy -i "$fat" "$WORK/small.txt" ::/Docs/gone.txt
mcopy -i "$fat" "$WORK/small.txt" "::/Docs/Ünïcode näme.txt"
mdel -i "$fat" ::/Docs/gone.txt
cp "$fat" "$OUT/image/fat12.img"
# Table from entry 2 on (bytes 3..98 of the FAT), then the root region; and the same with a folder's cluster.
u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
fat_start=$(($(u16 "$fat" 14) * 512))
root_start=$((fat_start + $(u16 "$fat" 22) * 512))
data_start=$((root_start + 512 * 32))
{ cut_out "$fat" $((fat_start + 3)) 96; cut_out "$fat" $root_start 2048; } >"$OUT/fat_directory/root"
docs=$(u16 "$fat" $((root_start + 2 * 32 + 26)))  # label, long-name slot, "Docs"
{ cut_out "$fat" $((fat_start + 3)) 96; cut_out "$fat" $((data_start + (docs - 2) * 2048)) 2048; } \
  >"$OUT/fat_directory/folder"
