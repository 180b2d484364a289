#!/usr/bin/env bash
# Remakes docs/main-window.png: the main window after a list creation over a
# small demo pair, drawn under Xvfb. Settings go to a temp folder, never to
# the user's own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
cmake --build build -j2 --target orvel-screenshot
work=$(mktemp -d "${TMPDIR:-/tmp}/orvel-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
demo="$work"
mkdir -p "$demo/Documents/reports" "$demo/Backup/reports" "$demo/Documents/photos 2026"
printf 'draft 2\n' > "$demo/Documents/reports/summary.txt"
printf 'draft 1\n' > "$demo/Backup/reports/summary.txt"
touch -d '2026-11-30 18:02:11' "$demo/Documents/reports/summary.txt"
touch -d '2026-11-28 09:15:40' "$demo/Backup/reports/summary.txt"
printf 'budget\n' > "$demo/Documents/reports/budget.ods"
printf 'budget, edited\n' > "$demo/Backup/reports/budget.ods"
touch -d '2026-11-20 10:00:00' "$demo/Documents/reports/budget.ods"
touch -d '2026-12-01 16:45:03' "$demo/Backup/reports/budget.ods"
printf 'jpeg\n' > "$demo/Documents/photos 2026/harbour.jpg"
touch -d '2026-10-03 12:30:00' "$demo/Documents/photos 2026/harbour.jpg"
printf 'notes\n' > "$demo/Documents/notes.md"
cp -p "$demo/Documents/notes.md" "$demo/Backup/notes.md"
printf 'old\n' > "$demo/Backup/reports/obsolete.log"
touch -d '2026-09-12 08:00:00' "$demo/Backup/reports/obsolete.log"
mkdir -p docs
settings=$(mktemp -d)
trap 'rm -rf "$work" "$settings"' EXIT
XDG_CONFIG_HOME="$settings/config" XDG_DATA_HOME="$settings/data" \
  xvfb-run -a -s "-screen 0 1024x768x24" \
  build/ui/orvel-screenshot "$demo/Documents" "$demo/Backup" docs/main-window.png
echo "wrote docs/main-window.png"
