#!/usr/bin/env bash
# Configures and builds VORNE into build/ (the build tree is an installation root: build/koradir).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# ccache hits across checkouts in other folders (CI clones elsewhere).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# CI builds with warnings as errors, so that a missed switch case or an unused result stops the build.
flags=()
if [[ -n "${CI:-}" ]]; then flags+=(-DVORNE_WERROR=ON); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build build -j"$(nproc)"
