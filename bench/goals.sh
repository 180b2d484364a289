#!/usr/bin/env bash
# The goals of the large-list and remembered-sync work, each beside its value;
# all options go to goals.py (see README.md, "Goals").
#   bench/goals.sh [--files 100000,1000000] [--reps 5,1] [--keep] [--json FILE] ...
set -euo pipefail
exec python3 "$(dirname "$0")/goals.py" "$@"
