#!/usr/bin/env bash
# Whole-process timing of vorne-batch on microscope-like TIFF files against the reader it replaced: 200
# one-megapixel 16-bit Deflate TIFFs with a pixel size (written by tifffile, Debian's python3-tifffile)
# through GaussianBlur sigma 2 -> Otsu -> TIFF, by vorne-batch (libtiff, Deflate level 1) and by a
# hand-written loop on OpenCV's reader and writer (cv::imreadmulti, cv::imwrite with LZW, as TIFF files went
# before), in rounds, each round both back to back; prints the medians and their ratio. Then checks the
# outputs with tifffile: the same pixels as the loop's (written once more uncompressed, as tifffile reads
# LZW only with a package Debian lacks), one plane each, and the inputs' pixel size.
# Usage: bench/tiff-vs-opencv.sh [BUILD_DIR]   (default: build)
# BENCH_REPEAT=N rounds (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=${BENCH_WORK:-$build/bench/tiff-vs-opencv}
rounds=${BENCH_REPEAT:-5}
count=200

cmake --build "$build" -j2 --target vorne-batch tiffloop imgproc >/dev/null
export KORADIR=$PWD/$build/koradir
batch=$build/koradir/bin/vorne-batch
graph=examples/graphs/blur_otsu.ogr
debpython=$( [ -x /usr/bin/python3 ] && echo /usr/bin/python3 || echo python3 )
if ! "$debpython" -c 'import tifffile' 2>/dev/null; then
  echo "tiff-vs-opencv: needs python3-tifffile (apt-get install -y python3-tifffile)" >&2
  exit 2
fi
mkdir -p "$work/in"

# Cells on an uneven background with shot noise, each image a little different; 0.65 x 0.65 µm pixels as
# ImageJ writes them (resolution tags in pixels per micron, unit in its description).
if [ "$(ls "$work/in" | wc -l)" -ne "$count" ]; then
  rm -rf "${work:?}/in" && mkdir -p "$work/in"
  "$debpython" - "$work/in" "$count" <<'PY'
import sys, numpy as np, tifffile
folder, count = sys.argv[1], int(sys.argv[2])
random = np.random.default_rng(5)
y, x = np.mgrid[0:1000, 0:1000]
for i in range(count):
    image = 800 + 300 * np.sin(x / 170 + i) * np.cos(y / 230)
    for cx, cy, r in zip(random.integers(0, 1000, 60), random.integers(0, 1000, 60), random.uniform(8, 25, 60)):
        near = np.s_[max(cy - 100, 0):cy + 100, max(cx - 100, 0):cx + 100]
        image[near] += 2500 * np.exp(-((x[near] - cx) ** 2 + (y[near] - cy) ** 2) / (2 * r * r))
    image = random.poisson(np.clip(image, 0, None)).clip(0, 65535).astype(np.uint16)
    tifffile.imwrite("%s/img_%03d.tif" % (folder, i), image, compression="zlib", imagej=True,
                     resolution=(1 / 0.65, 1 / 0.65), metadata={"unit": "um"})
PY
fi

TIMEFORMAT='%3R %3U %3S'
timed() { # timed NAME COMMAND...: into a fresh $work/out-NAME, appending "wall cpu" to $work/times-NAME
  local name=$1 t
  shift
  rm -rf "${work:?}/out-$name" && mkdir -p "$work/out-$name"
  if ! t=$( { time "$@" >/dev/null 2>"$work/err-$name"; } 2>&1 ); then
    echo "tiff-vs-opencv: the $name run failed:" >&2
    tail -n 5 "$work/err-$name" >&2
    exit 1
  fi
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$t" >>"$work/times-$name"
}
rm -f "$work"/times-*
for _ in $(seq "$rounds"); do
  timed loop "$build/bench/tiffloop" run "$work/in" "$work/out-loop"
  timed batch "$batch" -q -j 1 -i "0=$work/in/" -o "$work/out-batch" --suffix .tif "$graph"
done

rm -rf "${work:?}/out-plain" && mkdir -p "$work/out-plain"
"$build/bench/tiffloop" run "$work/in" "$work/out-plain" 1 >/dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
col() { cut -d' ' -f"$2" "$work/times-$1" | median; }
ratio() { paste -d' ' <(cut -d' ' -f"$3" "$work/times-$1") <(cut -d' ' -f"$3" "$work/times-$2") | awk '{ print $1 / $2 }' | median; }

printf 'vorne-batch against the OpenCV TIFF loop: %d 1000x1000 16-bit Deflate TIFFs, GaussianBlur sigma 2 -> Otsu -> TIFF\n' "$count"
printf '%d processors (%s), load average %s, median of %d rounds\n\n' "$(nproc)" \
  "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')" "$(cut -d' ' -f1-3 /proc/loadavg)" "$rounds"
printf '| %-44s | %-9s | %-9s | %-28s |\n' Run Wall CPU Ratio
row() { printf '| %-44s | %7.2f s | %7.2f s | %-28s |\n' "$1" "$(col "$2" 1)" "$(col "$2" 2)" "$3"; }
row "OpenCV TIFF loop, $count images" loop ""
row "vorne-batch --jobs 1, $count TIFFs" batch "$(ratio batch loop 1)x the loop (CPU $(ratio batch loop 2)x)"

"$debpython" - "$work" "$count" <<'PY'
import glob, os, sys, numpy as np, tifffile
work, count = sys.argv[1], int(sys.argv[2])
outputs = sorted(glob.glob(work + "/out-batch/*.tif"))
problems = []
if len(outputs) != count:
    problems.append("%d outputs instead of %d" % (len(outputs), count))
for path in outputs:
    name = os.path.basename(path)
    with tifffile.TiffFile(path) as ours, tifffile.TiffFile(work + "/out-plain/" + name) as loop:
        if len(ours.pages) != 1 or len(loop.pages) != 1:
            problems.append("%s: %d planes, the loop's %d" % (name, len(ours.pages), len(loop.pages)))
        if not np.array_equal(ours.asarray(), loop.asarray()):
            problems.append("%s: pixels differ from the loop's" % name)
        tags = ours.pages[0].tags
        x = tags["XResolution"].value if "XResolution" in tags else (0, 1)
        unit = tags["ResolutionUnit"].value if "ResolutionUnit" in tags else 1
        size = {2: 25400.0, 3: 10000.0}.get(int(unit), 1.0) * x[1] / x[0] if x[0] else 0
        if abs(size - 0.65) > 1e-4:
            problems.append("%s: pixel size %g instead of 0.65 um" % (name, size))
print("\nCross-check with tifffile: %d outputs, %s" % (len(outputs), "; ".join(problems[:5]) if problems else
      "pixels identical to the loop's, 1 plane each, pixel size 0.65 um as the inputs"))
sys.exit(1 if problems else 0)
PY
