#!/usr/bin/env bash
# Builds Orvel and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
if [ $# -eq 0 ]; then set -- --help; fi
exec build/cli/orvel-cli "$@"
