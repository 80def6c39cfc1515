#!/usr/bin/env bash
# Whole-process timing of the results table and report of the cell-counting example: 1,000 and 10,000
# indices, wall time and peak memory (max RSS) of `vorne-batch table` and `vorne-batch report`. The graph
# runs for real on the example images once; the journals of the large batches repeat those records under
# per-index file names (hard links to the real inputs and masks), so every thumbnail is drawn from a real
# file. The goal: both under 10 s at 10,000 indices, and the same peak memory at both sizes.
# Usage: bench/results-table-report.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=${BENCH_WORK:-$build/bench/results}
[ -n "${BENCH_NO_BUILD:-}" ] || cmake --build "$build" -j2 --target vorne-batch imgproc >/dev/null
export KORADIR=$PWD/$build/koradir
batch=$KORADIR/bin/vorne-batch
rm -rf "$work" && mkdir -p "$work"

"$batch" -q -i 0=examples/data/cells_1.png -i 0=examples/data/cells_2.png -i 0=examples/data/cells_3.png \
  -i 0=examples/data/cells_4.png -i 0=examples/data/cells_16.png -o "$work/real" --suffix .png \
  --journal "$work/real.jsonl" examples/graphs/count_cells.ogr >/dev/null

for n in 1000 10000; do
  python3 - "$work" "$n" <<'PY'
import json, os, sys
work, n = sys.argv[1], int(sys.argv[2])
lines = [json.loads(l) for l in open(os.path.join(work, "real.jsonl"))]
header = next(l for l in lines if "batch" in l)
records = [l for l in lines if "index" in l]
folder = os.path.join(work, "files%d" % n)
os.makedirs(folder)
with open(os.path.join(work, "journal%d.jsonl" % n), "w") as journal:
    journal.write(json.dumps(header) + "\n")
    for k in range(n):
        record = json.loads(json.dumps(records[k % len(records)]))
        record["index"] = k
        for entry in record["inputs"] + record["outputs"]:
            if entry["type"] == "image file":
                name = os.path.join(folder, "%d_%s" % (k, os.path.basename(entry["value"])))
                os.link(entry["value"], name)
                entry["value"] = name
        journal.write(json.dumps(record) + "\n")
PY
done

# Prints "<seconds> <max RSS in MB>" of one command.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
  awk '{ printf "%6.2f s  %6.1f MB", $1, $2 / 1024 }' "$work/time"
}

printf '%-8s %-26s %-26s\n' indices "table (wall, max RSS)" "report (wall, max RSS)"
for n in 1000 10000; do
  table=$(measure "$batch" table -o "$work/table$n.csv" "$work/journal$n.jsonl")
  report=$(measure "$batch" report -o "$work/report$n" "$work/journal$n.jsonl")
  printf '%-8s %-26s %-26s\n' "$n" "$table" "$report"
done
echo "pages: $(ls "$work/report10000"/*.html | wc -l), thumbnails: $(ls "$work/report10000/thumbs" | wc -l)"
