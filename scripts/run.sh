#!/usr/bin/env bash
# Builds everything and runs the main job: the desktop program with the demo
# image as a drive when there is a display, otherwise the command-line tool
# listing the demo image's deleted files and recovering them.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}

scripts/install-deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD"

DEMO="$BUILD/demo/demo-ntfs.img"
mkdir -p "$BUILD/demo"
if [ ! -f "$DEMO" ] || [ res/demo/demo-ntfs.img.zst -nt "$DEMO" ]; then
  zstd -q -d -f res/demo/demo-ntfs.img.zst -o "$DEMO"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$BUILD/app/varnel-recovery" ]; then
  exec "$BUILD/app/varnel-recovery" --image "$DEMO"
fi

echo "== varnel list --deleted $DEMO"
"$BUILD/varnel" list --deleted "$DEMO"
OUT=$(mktemp -d)
echo "== varnel recover --deleted $DEMO --to $OUT"
"$BUILD/varnel" recover --deleted "$DEMO" --to "$OUT"
find "$OUT" -type f | sort
