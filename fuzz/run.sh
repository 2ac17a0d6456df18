#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one: first over the inputs of past
# findings under fuzz/regressions/, then from the seed corpus.
#
#   fuzz/run.sh                      every target for its short CI run count
#   fuzz/run.sh --time 3600          every target for an hour each
#   fuzz/run.sh --runs 100000 fuzz_lznt1 fuzz_ntfs_record
#
# The corpus each target grows is kept in $BUILD/corpus/<target> and reused;
# a finding is written to $BUILD/findings/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${FUZZ_BUILD:-build-fuzz}
LIMIT=ci
VALUE=0
TARGETS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) LIMIT=time; VALUE=$2; shift 2 ;;
    --runs) LIMIT=runs; VALUE=$2; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) TARGETS+=("$1"); shift ;;
  esac
done
ALL=(fuzz_ntfs_boot fuzz_ntfs_record fuzz_ntfs_runlist fuzz_lznt1 fuzz_fat_boot fuzz_fat_directory fuzz_image)
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=("${ALL[@]}")

# Short runs for CI, sized so that all targets together take a few minutes on two cores.
ci_runs() {
  case "$1" in
    fuzz_image) echo 300 ;;
    fuzz_fat_directory) echo 1000 ;;
    fuzz_ntfs_record|fuzz_fat_boot) echo 5000 ;;
    *) echo 50000 ;;
  esac
}
max_len() {
  case "$1" in
    fuzz_image) echo 2097152 ;;
    fuzz_fat_directory) echo 32864 ;;
    fuzz_ntfs_record) echo 4096 ;;
    fuzz_lznt1) echo 65538 ;;
    *) echo 4096 ;;
  esac
}
seeds_of() { echo "${1#fuzz_}"; }

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVARNEL_FUZZ=ON -DVARNEL_SANITIZE=address,undefined \
    -DVARNEL_GUI=OFF -DVARNEL_TESTS=OFF -DVARNEL_BENCH=OFF >/dev/null
fi
cmake --build "$BUILD" -j 2 --target "${TARGETS[@]}"
[ -d "$BUILD/seeds" ] || { fuzz/make-seeds.sh "$BUILD/seeds.tmp" && mv "$BUILD/seeds.tmp" "$BUILD/seeds"; }
mkdir -p "$BUILD/findings"

status=0
for target in "${TARGETS[@]}"; do
  bin="$BUILD/fuzz/$target"
  corpus="$BUILD/corpus/$target"
  mkdir -p "$corpus"
  common=(-max_len="$(max_len "$target")" -timeout=60 -rss_limit_mb=2560 -malloc_limit_mb=1024
          -artifact_prefix="$BUILD/findings/$target-" -print_final_stats=1)
  regressions=(fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $target: ${#regressions[@]} past finding(s)"
    "$bin" "${common[@]}" "${regressions[@]}" >"$BUILD/findings/$target-regressions.log" 2>&1 ||
      { status=1; tail -30 "$BUILD/findings/$target-regressions.log"; }
  fi
  case "$LIMIT" in
    ci) budget=(-runs="$(ci_runs "$target")" -seed=1) ;;
    runs) budget=(-runs="$VALUE") ;;
    time) budget=(-max_total_time="$VALUE") ;;
  esac
  start=$SECONDS
  if "$bin" "${common[@]}" "${budget[@]}" "$corpus" "$BUILD/seeds/$(seeds_of "$target")" \
      >"$BUILD/findings/$target.log" 2>&1; then
    echo "== $target: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$BUILD/findings/$target.log" | grep -o '[0-9]*$') runs in $((SECONDS - start)) s, no finding"
  else
    status=1
    echo "== $target: FINDING after $((SECONDS - start)) s (log: $BUILD/findings/$target.log)"
    grep -E 'ERROR|finding|SUMMARY|runtime error|Test unit written' "$BUILD/findings/$target.log" | head -20
  fi
done
exit $status
