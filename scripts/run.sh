#!/usr/bin/env bash
# Builds Orvel and starts the desktop program; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
exec build/ui/orvel "$@"
