#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as BUILD_DIR): every
# target, or only those named in BUILD_TARGETS. Arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
build_dir=${BUILD_DIR:-build}
# ccache, with paths taken relative to the checkout, so that a fresh clone
# reuses what an earlier build of the same sources compiled.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build_dir" -j2 "${targets[@]}"
