#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, a second build with
# AddressSanitizer and UndefinedBehaviorSanitizer (warnings count as errors
# there) runs the tests again. Each test has a time limit, so a test that
# blocks fails instead of holding up the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 120
if [ "${1:-}" = "--sanitize" ]; then
  BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DORVEL_SANITIZE=ON -DORVEL_WERROR=ON
  # bench/ is Python only: once is enough.
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 300 -LE bench
fi
