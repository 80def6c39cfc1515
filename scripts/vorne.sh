#!/usr/bin/env bash
# Installs what is missing, builds, and opens VORNE on the cell-counting example graph. Without a display
# (DISPLAY and WAYLAND_DISPLAY both unset) it runs the same graph headless over the example images instead,
# every output saved under build/example-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export KORADIR="$PWD/build/koradir"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): running the example batch headless instead of the window."
  ./build/examples/run-example examples/graphs/count_cells.ogr examples/data/grey.txt build/example-output
  exit 0
fi
exec ./build/koradir/bin/vorne examples/graphs/count_cells.ogr
