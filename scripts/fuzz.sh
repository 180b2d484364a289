#!/usr/bin/env bash
# Builds the remote protocol's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz and runs it for a bounded time over
# the seed corpus in tests/fuzz/corpus (new inputs go to a temp folder).
#   scripts/fuzz.sh [SECONDS]      (60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
./scripts/deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DORVEL_FUZZ=ON -DORVEL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target remote_fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build-fuzz/tests/fuzz/remote_fuzz -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
  -print_final_stats=1 "$work" tests/fuzz/corpus
