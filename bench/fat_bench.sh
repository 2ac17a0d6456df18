#!/usr/bin/env bash
# FAT32 scan of a 2 GiB volume holding a few thousand files in nested folders
# (some deleted), made by mkfs.fat and mtools, against two baselines measured
# in the same run on the same warm image:
#   - reading the image sequentially (`cat > /dev/null`): the scan reads the
#     whole data area to find folders by their content, so this is its floor,
#   - `fls -r -d -p` of The Sleuth Kit.
# The FAT editions are built as test copies of the command (varnel-edition1).
# Usage: bench/fat_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
DATA=${BENCH_DATA:-$BUILD/bench-data}
IMG="$DATA/fat32-2g.img"
export MTOOLS_SKIP_CHECK=1

cmake --build "$BUILD" --target varnel-edition1 >/dev/null
mkdir -p "$DATA"
. bench/bench_lib.sh

make_image() {
  local src="$DATA/fat-src"
  rm -rf "$src" && mkdir -p "$src"
  # 40 folders of 100 files of 16-640 KiB; the contents are hard links to a
  # few distinct files, so only the image costs space.
  python3 - "$src" <<'EOF'
import os, sys
root = sys.argv[1]
blobs = []
for k in range(8):
    p = os.path.join(root, f".blob{k}")
    with open(p, "wb") as out:
        out.write(os.urandom(16384 * (1 + 5 * k)))
    blobs.append(p)
for f in range(40):
    d = os.path.join(root, f"Album {f:02d}", "Raw" if f % 4 == 0 else "")
    os.makedirs(d, exist_ok=True)
    for i in range(100):
        os.link(blobs[(f + i) % 8], os.path.join(d, f"DSC_{f:02d}{i:03d} long name.jpg"))
for k in range(8):
    os.unlink(blobs[k])
EOF
  rm -f "$IMG.tmp"
  mkfs.fat -C -F 32 -n BENCH "$IMG.tmp" $((2 * 1024 * 1024)) >/dev/null
  mcopy -s -i "$IMG.tmp" "$src"/* ::/
  for f in 03 07 11 19 23 31; do mdeltree -i "$IMG.tmp" "::/Album $f"; done
  for i in 000 010 020 030 040 050; do mdel -i "$IMG.tmp" "::/Album 01/DSC_01$i long name.jpg"; done
  rm -rf "$src"
  mv "$IMG.tmp" "$IMG"
}
[ -f "$IMG" ] || { echo "making $IMG (once; cached)"; make_image; }

cat "$IMG" >/dev/null   # warm the page cache for every contender alike
echo "volume: $IMG ($(du -h --apparent-size "$IMG" | cut -f1)), $(fls -r -p "$IMG" | wc -l) entries listed by fls -r -p"
t_cat=$(time_of cat "$IMG")
t_fls=$(time_of fls -r -d -p "$IMG")
t_varnel=$(time_of "$BUILD/varnel-edition1" list "$IMG")
report "cat > /dev/null (baseline)" "$t_cat" "$t_cat"
report "fls -r -d -p" "$t_fls" "$t_cat"
report "varnel list (scan + tree + print)" "$t_varnel" "$t_cat"
echo "peak memory of varnel list: $(peak_kib "$BUILD/varnel-edition1" list "$IMG") KiB"
