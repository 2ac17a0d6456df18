#!/usr/bin/env bash
# Installs the build as a distribution package would (DESTDIR, prefix /usr)
# and checks that every file lands where a Linux desktop looks for it: the two
# programs, the desktop entry and what it names, the icon at every size, the
# manual where the program finds it from its own folder with everything it
# shows, and the AppStream description. The validators of freedesktop.org and
# AppStream have the last word on the two description files.
set -euo pipefail
BUILD=${1:?usage: test_install.sh BUILD_DIR}
. "$(dirname "$0")/png.sh"
ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
DESTDIR=$ROOT cmake --install "$BUILD" --prefix /usr >/dev/null
PREFIX=$ROOT/usr
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for program in varnel varnel-recovery; do
  [ -x "$PREFIX/bin/$program" ] || fail "bin/$program is not installed"
done

DESKTOP=$PREFIX/share/applications/varnel-recovery.desktop
[ -f "$DESKTOP" ] || { fail "share/applications/varnel-recovery.desktop is not installed"; exit 1; }
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate rejects the desktop entry"
entry() { sed -n "s/^$1=//p" "$DESKTOP"; }
[ "$(entry Name)" = "Varnel Data Recovery" ] || fail "Name is '$(entry Name)'"
program=$(entry Exec | cut -d' ' -f1)
[ -x "$PREFIX/bin/$program" ] || fail "Exec names '$program', which is not installed in bin"
icon=$(entry Icon)
[ "$icon" = varnel-recovery ] || fail "Icon is '$icon'"

for n in 16 22 24 32 48 64 128 256; do
  file=$PREFIX/share/icons/hicolor/${n}x${n}/apps/$icon.png
  got=$(png_size "$file" 2>/dev/null || true)
  [ "$got" = "$n $n" ] || fail "hicolor ${n}x${n} icon is ${got:-missing}"
done

# Where the program looks for its manual, from the folder it runs from.
HELP=$PREFIX/bin/../share/varnel-recovery/help/index.html
[ -f "$HELP" ] || { fail "the manual is not at share/varnel-recovery/help/index.html"; exit 1; }
HELP_DIR=$(dirname "$HELP")
# Everything the manual uses is installed with it; nothing is fetched from elsewhere.
mapfile -t refs < <(
  { grep -oE '(src|href)="[^"]*"' "$HELP" | sed -E 's/^[a-z]+="(.*)"$/\1/'
    grep -oE 'srcset="[^"]*"' "$HELP" | sed -E 's/^srcset="(.*)"$/\1/' | tr ',' '\n' | awk '{ print $1 }'
    grep -oE 'url\([^)]*\)' "$HELP_DIR"/*.css | sed -E 's/^.*url\(["'\'']?([^"'\'')]*).*$/\1/'
  } | sort -u)
[ ${#refs[@]} -gt 0 ] || fail "the manual refers to no files"
for ref in "${refs[@]}"; do
  case $ref in
    '#'*) continue ;;
    *://* | //* | /* | data:*) fail "the manual uses '$ref' from outside it" ;;
    *) [ -f "$HELP_DIR/$ref" ] || fail "the manual uses '$ref', which is not installed" ;;
  esac
done

# Finds the metainfo file and checks it against the installed desktop entry.
appstreamcli validate-tree --no-net --strict "$ROOT" || fail "appstreamcli rejects the installed tree"

[ "$failures" -eq 0 ] || exit 1
echo "installed: $(find "$ROOT" -type f | wc -l) files"
