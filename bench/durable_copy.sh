#!/usr/bin/env bash
# The price of durable copies: N small files copied into an empty folder of a
# freshly made, loop-mounted ext4 image, by `cp -a SRC DST && sync -f DST` and
# by `orvel-cli sync` (which syncs each file system it wrote to before it
# ends), rounds alternating. Root only (loop mounts).
#   bench/durable_copy.sh [--files N] [--reps K] [--cli PATH] [--workdir DIR] [--remember]
set -euo pipefail
files=100000 reps=3 workdir=/tmp/orvel-durable-bench remember=()
cli=${ORVEL_CLI:-$(dirname "$0")/../build/cli/orvel-cli}
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --reps) reps=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --workdir) workdir=$2; shift 2 ;;
    --remember) remember=(--remember); shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "loop mounts need root" >&2; exit 2; }
mkdir -p "$workdir/mnt"
src=$workdir/src
if [ ! -d "$src" ] || [ "$(find "$src" -type f | wc -l)" != "$files" ]; then
  rm -rf "$src"
  python3 - "$src" "$files" <<'EOF'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    folder = os.path.join(root, "d%04d" % (i // 1000))
    if i % 1000 == 0:
        os.makedirs(folder)
    with open(os.path.join(folder, "f%06d.txt" % i), "w") as f:
        f.write("%06d " % i + "x" * 93)
EOF
fi
export XDG_STATE_HOME=$workdir/state

fresh_disk() {
  umount "$workdir/mnt" 2>/dev/null || true
  rm -f "$workdir/image"
  truncate -s 2G "$workdir/image"
  mkfs.ext4 -q -F -N $((files + 50000)) "$workdir/image"
  mount -o loop "$workdir/image" "$workdir/mnt"
  rm -rf "$XDG_STATE_HOME"
  sync
}

seconds() { local start=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $start" | bc; }

find "$src" -type f -exec cat {} + >/dev/null  # the source in the page cache for both
declare -a cpTimes orvelTimes
for ((r = 0; r < reps; r++)); do
  fresh_disk
  cpTimes+=("$(seconds sh -c "cp -a '$src' '$workdir/mnt/dst' && sync -f '$workdir/mnt/dst'")")
  fresh_disk
  orvelTimes+=("$(seconds "$cli" sync --yes "${remember[@]}" "$src" "$workdir/mnt/dst")")
  [ "$(find "$workdir/mnt/dst" -type f | wc -l)" = "$files" ] || { echo "orvel-cli copied too few files" >&2; exit 1; }
  echo "round $((r + 1)): cp -a + sync -f ${cpTimes[r]} s, orvel-cli sync ${orvelTimes[r]} s" >&2
done
umount "$workdir/mnt"
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
cpMedian=$(median "${cpTimes[@]}")
orvelMedian=$(median "${orvelTimes[@]}")
echo "files $files, rounds $reps: cp -a + sync -f $cpMedian s, orvel-cli sync ${remember[*]} $orvelMedian s," \
  "ratio $(echo "scale=3; $orvelMedian / $cpMedian" | bc)"
