#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-test}

scripts/install-deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEL_WERROR=ON >/dev/null
cmake --build "$BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)"
# Hardening legs (scripts/test-hardening.sh): the short fuzz runs always;
# VARNEL_HARDENING_LEGS="asan tsan fuzz" adds the sanitizer builds of the suite,
# VARNEL_HARDENING_LEGS=none leaves them all out of a quick local run.
LEGS=${VARNEL_HARDENING_LEGS:-fuzz}
if [ "$LEGS" != none ]; then
  LEGS="$LEGS" scripts/test-hardening.sh
fi
# The Windows leg (scripts/test-windows.sh): the MinGW cross build, its tests
# under Wine, and varnel.exe against this build's `varnel` on real volumes.
# VARNEL_WINDOWS_LEG=none leaves it out of a quick local run.
if [ "${VARNEL_WINDOWS_LEG:-}" != none ]; then
  LINUX_BUILD="$BUILD" scripts/test-windows.sh
fi
