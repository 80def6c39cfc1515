#!/usr/bin/env bash
# Configures and builds VORNE into build/ (the build tree is an installation root: build/koradir).
# "--qt 6" (or VORNE_QT=6) builds against Qt 6 into build-qt6/ instead; further arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
qt="${VORNE_QT:-5}"
if [[ "${1:-}" == "--qt" ]]; then qt="${2:?--qt needs 5 or 6}"; shift 2; fi
dir=build
if [[ "$qt" != 5 ]]; then dir="build-qt$qt"; fi
VORNE_QT="$qt" bash scripts/deps.sh
# ccache hits across checkouts in other folders (CI clones elsewhere).
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# CI builds with warnings as errors, so that a missed switch case or an unused result stops the build.
flags=(-DVORNE_QT="$qt")
if [[ -n "${CI:-}" ]]; then flags+=(-DVORNE_WERROR=ON); fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
