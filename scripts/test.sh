#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, a second build with
# AddressSanitizer and UndefinedBehaviorSanitizer runs the tests again, and a
# third with ThreadSanitizer the engine's and the platform's (warnings count as
# errors in both). Each test has a time limit, so a test that blocks fails
# instead of holding up the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 120
if [ "${1:-}" = "--sanitize" ]; then
  BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DORVEL_SANITIZE=ON -DORVEL_WERROR=ON
  # bench/ is Python only: once is enough.
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 300 -LE bench
  # ThreadSanitizer over the code that runs on more than one thread: the
  # engine (the target tree is read on a second thread) and the platform below it.
  BUILD_DIR=build-tsan BUILD_TYPE=Debug BUILD_TARGETS="engine_tests platform_tests" \
    ./scripts/build.sh -DORVEL_SANITIZE_THREAD=ON -DORVEL_WERROR=ON
  ctest --test-dir build-tsan --output-on-failure -j2 --timeout 300 -L '^(engine|platform)$'
fi
