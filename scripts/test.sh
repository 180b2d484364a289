#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, a second build with
# AddressSanitizer and UndefinedBehaviorSanitizer runs the tests again.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
ctest --test-dir build --output-on-failure -j2
if [ "${1:-}" = "--sanitize" ]; then
  BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DORVEL_SANITIZE=ON
  ctest --test-dir build-asan --output-on-failure -j2
fi
