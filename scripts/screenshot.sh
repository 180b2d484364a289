#!/usr/bin/env bash
# Remakes the pictures in docs/: the main window after a list creation over a
# small demo pair (main-window.png, and main-window-en.png in English) and the
# options sheet's three pages under a Japanese locale (options-ja.png), drawn
# under Xvfb. Settings go to a temp folder, never to the user's own. The build
# folder is build/, or the one named in BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
BUILD_TARGETS=orvel-screenshot ./scripts/build.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/orvel-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
demo="$work/demo"
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

# shot LANG OUT [ARGUMENTS...]: one picture, from fresh settings each time.
shot() {
  local lang=$1 out=$2
  shift 2
  rm -rf "$work/settings"
  LANG=$lang LC_ALL=$lang XDG_CONFIG_HOME="$work/settings/config" XDG_DATA_HOME="$work/settings/data" \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build_dir/ui/orvel-screenshot" "$@" "$demo/Documents" "$demo/Backup" "$out"
  echo "wrote $out"
}
shot ja_JP.UTF-8 docs/main-window.png
shot ja_JP.UTF-8 docs/options-ja.png --options
shot en_US.UTF-8 docs/main-window-en.png --lang en
