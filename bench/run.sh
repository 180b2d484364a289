#!/usr/bin/env bash
# Entry point of the benchmark; all options go to run.py (see README.md).
#   bench/run.sh [--files N] [--reps K] [--workdir DIR] [--cli PATH] [--keep] ...
set -euo pipefail
exec python3 "$(dirname "$0")/run.py" "$@"
