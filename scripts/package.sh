#!/usr/bin/env bash
# Makes the two Debian packages with cpack in the build folder and checks
# orvel-cli's: unpacked into a scratch root, it holds the program, its manual
# page and completion, and neither its files nor its dependencies name Qt.
#   BUILD_DIR=build scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
rm -f "$build"/orvel*.deb
(cd "$build" && cpack -G DEB >/dev/null)
cli=$(ls "$build"/orvel-cli_*.deb)
desktop=$(ls "$build"/orvel_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$cli" "$root"
fail() { echo "package check: $*" >&2; exit 1; }
for f in usr/bin/orvel-cli usr/share/man/man1/orvel-cli.1 usr/share/bash-completion/completions/orvel-cli; do
  [ -e "$root/$f" ] || fail "orvel-cli's package lacks /$f"
done
[ -e "$root/usr/bin/orvel" ] && fail "orvel-cli's package holds the desktop program"
find "$root" | grep -qi qt && fail "orvel-cli's package holds a Qt file"
depends=$(dpkg-deb -f "$cli" Depends)
echo "orvel-cli depends on: $depends"
echo "$depends" | grep -qiE '(^|[ ,])(libqt|qt6|libgl[0-9]|libopengl|libx11|libxcb)' && fail "orvel-cli depends on a GUI library"
dpkg-deb -f "$desktop" Depends | grep -q 'orvel-cli' || fail "orvel does not depend on orvel-cli"
"$root/usr/bin/orvel-cli" --version >/dev/null || fail "the packaged orvel-cli does not run"
echo "packages: $(basename "$cli") $(basename "$desktop")"
