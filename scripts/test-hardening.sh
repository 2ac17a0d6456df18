#!/usr/bin/env bash
# The hardening legs, run by scripts/test.sh after the normal tests:
#   1. the whole test suite once under AddressSanitizer + UndefinedBehaviorSanitizer;
#   2. the GUI tests (the threaded ones) under ThreadSanitizer;
#   3. every fuzz target over its past findings and for a short, fixed number of runs.
# Each leg has its own build folder; LEGS="asan tsan fuzz" picks some of them.
set -euo pipefail
cd "$(dirname "$0")/.."
LEGS=${LEGS:-asan tsan fuzz}
export QT_QPA_PLATFORM=offscreen
# Leaks inside Qt's and the system's own libraries are not ours to fix.
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"

leg() { echo "== hardening: $1 ($(date -u +%T))"; }

if [[ " $LEGS " == *" asan "* ]]; then
  leg "AddressSanitizer + UndefinedBehaviorSanitizer, whole suite"
  start=$SECONDS
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_WERROR=ON \
    -DVARNEL_SANITIZE=address,undefined -DVARNEL_BENCH=OFF >/dev/null
  cmake --build build-asan -j 2
  ctest --test-dir build-asan --output-on-failure -j 2
  echo "asan leg: $((SECONDS - start)) s"
fi

if [[ " $LEGS " == *" tsan "* ]]; then
  leg "ThreadSanitizer, GUI tests"
  start=$SECONDS
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_WERROR=ON \
    -DVARNEL_SANITIZE=thread -DVARNEL_BENCH=OFF >/dev/null
  mapfile -t gui < <(ninja -C build-tsan -t targets all | grep -o '^gui_[A-Za-z0-9_]*' | sort -u)
  cmake --build build-tsan -j 2 --target "${gui[@]}"
  ctest --test-dir build-tsan --output-on-failure -R '^gui_'
  echo "tsan leg: $((SECONDS - start)) s"
fi

if [[ " $LEGS " == *" fuzz "* ]]; then
  leg "fuzz targets, short runs"
  start=$SECONDS
  fuzz/run.sh
  echo "fuzz leg: $((SECONDS - start)) s"
fi
