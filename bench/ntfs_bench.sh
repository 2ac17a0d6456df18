#!/usr/bin/env bash
# NTFS scan and tree building of a volume with 100,000 files in 100 folders
# (a tenth of them deleted), made by mkntfs and the ntfs-3g driver, against
# two baselines measured in the same run on the same warm image:
#   - reading the MFT's bytes along its extents (the least any scan must do),
#   - `fls -r -d -p` of The Sleuth Kit (a listing of the deleted entries).
# Usage: bench/ntfs_bench.sh [BUILD_DIR]   (needs root for the FUSE mount)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
DATA=${BENCH_DATA:-$BUILD/bench-data}
IMG="$DATA/ntfs-100k.img"
FOLDERS=${FOLDERS:-100}
PER_FOLDER=${PER_FOLDER:-1000}

cmake --build "$BUILD" --target varnel >/dev/null
mkdir -p "$DATA"
. bench/bench_lib.sh

make_image() {
  local mnt="$DATA/mnt"
  truncate -s 1G "$IMG.tmp"
  mkntfs -F -q -f "$IMG.tmp" >/dev/null 2>&1
  mkdir -p "$mnt"
  ntfs-3g "$IMG.tmp" "$mnt"
  python3 - "$mnt" "$FOLDERS" "$PER_FOLDER" <<'EOF'
import os, sys
root, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for f in range(folders):
    d = os.path.join(root, f"Folder {f:03d}")
    os.mkdir(d)
    for i in range(per):
        with open(os.path.join(d, f"Photo_{f:03d}_{i:04d}.jpg"), "wb") as out:
            out.write(bytes([i % 251]) * (100 + (i * 37) % 1500))
for f in range(folders):
    d = os.path.join(root, f"Folder {f:03d}")
    for i in range(0, per, 10):
        os.unlink(os.path.join(d, f"Photo_{f:03d}_{i:04d}.jpg"))
EOF
  umount "$mnt"
  while pgrep -f "ntfs-3g $IMG.tmp" >/dev/null; do sleep 0.1; done
  mv "$IMG.tmp" "$IMG"
}
[ -f "$IMG" ] || { echo "making $IMG (once; cached)"; make_image; }

# The MFT's extents as "byte_offset byte_length" from istat's run of record 0.
mft_extents() {
  local cluster
  cluster=$(fsstat "$IMG" | awk '/^Cluster Size:/ {print $3}')
  istat "$IMG" 0 | awk '/^Type: \$DATA/ {on=1; next} /^Type:/ {on=0} on && /^[0-9 ]+$/' |
    tr ' ' '\n' | grep -E '^[0-9]+$' | python3 -c '
import sys
size = int(sys.argv[1]); runs = []
for c in filter(None, map(int, sys.stdin)):
    if runs and runs[-1][1] == c: runs[-1][1] = c + 1
    else: runs.append([c, c + 1])
for a, b in runs: print(a * size, (b - a) * size)' "$cluster"
}
EXTENTS="$DATA/ntfs-100k.extents"
mft_extents > "$EXTENTS"
read_extents() {
  while read -r offset length; do
    dd if="$IMG" of=/dev/null bs=1M skip="$offset" count="$length" iflag=skip_bytes,count_bytes status=none
  done < "$EXTENTS"
}

cat "$IMG" >/dev/null   # warm the page cache for every contender alike
records=$(fls -r -p "$IMG" | wc -l)
echo "volume: $IMG, $records entries listed by fls -r -p"
t_mft=$(time_of read_extents)
t_fls=$(time_of fls -r -d -p "$IMG")
t_deleted=$(time_of "$BUILD/varnel" list --deleted "$IMG")
t_varnel=$(time_of "$BUILD/varnel" list "$IMG")
report "read the MFT extents (baseline)" "$t_mft" "$t_mft"
report "fls -r -d -p" "$t_fls" "$t_mft"
report "varnel list --deleted" "$t_deleted" "$t_mft"
report "varnel list (every item)" "$t_varnel" "$t_mft"
ratio "fls -r -d -p / varnel list --deleted" "$t_fls" "$t_deleted"
echo "peak memory of varnel list: $(peak_kib "$BUILD/varnel" list "$IMG") KiB"
