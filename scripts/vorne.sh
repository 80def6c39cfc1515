#!/usr/bin/env bash
# Installs what is missing, builds, and runs VORNE's main job: one example graph over a batch of example
# images, every output saved under build/example-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export KORADIR="$PWD/build/koradir"
./build/examples/run-example examples/graphs/count_cells.ogr examples/data/grey.txt build/example-output
