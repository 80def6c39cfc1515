#!/usr/bin/env bash
# Configures and builds VORNE into build/ (the build tree is an installation root: build/koradir).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
