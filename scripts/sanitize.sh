#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs the whole
# test suite there with leak detection on (not part of CI: the sanitized suite takes far longer).
#   SANITIZE_JOBS  build and test parallelism (default: the number of processors)
#   scripts/sanitize.sh [ctest arguments...]   e.g. -R batch --repeat until-fail:20
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${SANITIZE_JOBS:-$(nproc)}"
bash scripts/deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNE_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
cd build-asan
ctest -j"$jobs" --output-on-failure "$@"
