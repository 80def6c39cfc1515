#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. "--qt 6" does so for the Qt 6 build in build-qt6/;
# further arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
qt="${VORNE_QT:-5}"
if [[ "${1:-}" == "--qt" ]]; then qt="${2:?--qt needs 5 or 6}"; fi
dir=build
if [[ "$qt" != 5 ]]; then dir="build-qt$qt"; fi
bash scripts/build.sh "$@"
cd "$dir"
ctest -j"$(nproc)" --output-on-failure
