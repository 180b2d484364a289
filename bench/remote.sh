#!/usr/bin/env bash
# Entry point of the remote mode; all options go to remote.py (see README.md).
#   bench/remote.sh [--files N] [--reps K] [--rtts 0,1,10] [--workdir DIR] [--cli PATH] ...
set -euo pipefail
exec python3 "$(dirname "$0")/remote.py" "$@"
