#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, a second build with
# AddressSanitizer and UndefinedBehaviorSanitizer runs the tests of everything
# but the desktop program's widgets again; with --sanitize --thread, a third
# with ThreadSanitizer the engine's and the platform's (warnings count as errors
# in both; CI runs all three). Each test has
# a time limit, so a test that blocks fails instead of holding up the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 120
if [ "${1:-}" = "--sanitize" ]; then
  # The desktop program's widgets are exercised by the first pass; the
  # sanitizers go over everything below them, where files are touched.
  BUILD_DIR=build-asan BUILD_TYPE=Debug \
    BUILD_TARGETS="orvel-cli platform_tests engine_tests storage_tests cli_tests remote_tests" \
    ./scripts/build.sh -DORVEL_SANITIZE=ON -DORVEL_WERROR=ON
  ctest --test-dir build-asan --output-on-failure -j2 --timeout 300 -L '^(platform|engine|storage|cli|remote)$'
fi
if [ "${1:-}" = "--sanitize" ] && [ "${2:-}" = "--thread" ]; then
  # ThreadSanitizer over the code that runs on more than one thread: the
  # engine (the target tree is read on a second thread) and the platform below it.
  BUILD_DIR=build-tsan BUILD_TYPE=Debug BUILD_TARGETS="engine_tests platform_tests" \
    ./scripts/build.sh -DORVEL_SANITIZE_THREAD=ON -DORVEL_WERROR=ON
  ctest --test-dir build-tsan --output-on-failure -j2 --timeout 300 -L '^(engine|platform)$'
fi
