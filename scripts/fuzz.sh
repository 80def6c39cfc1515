#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/fuzz_*.cpp) with clang and the address and undefined-behaviour
# sanitizers in build-fuzz/, then runs each one for a while. Corpora and crash inputs go to fuzz-out/<target>/.
#   FUZZ_SECONDS  run time per target (default 60)
#   FUZZ_JOBS     build parallelism (default 2)
#   scripts/fuzz.sh [target...]   only these targets
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
out="$root/fuzz-out"
seconds="${FUZZ_SECONDS:-60}"
jobs="${FUZZ_JOBS:-2}"

if [[ $# -gt 0 ]]; then
    targets=("$@")
else
    targets=()
    for source in "$root"/fuzz/fuzz_*.cpp; do
        [[ -e "$source" ]] || continue
        name="$(basename "$source" .cpp)"
        targets+=("$name")
    done
fi
if [[ ${#targets[@]} -eq 0 ]]; then
    echo "fuzz.sh: no fuzz/fuzz_*.cpp found" >&2
    exit 1
fi

# Debian's clang with its libFuzzer and sanitizer runtimes; the normal build does not need them, so only
# this script installs them.
if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
    llvm="$(apt-cache depends clang 2>/dev/null | sed -n 's/.*Depends: clang-\([0-9]*\)$/\1/p' | head -n1)"
    echo "fuzz.sh: installing clang${llvm:+ and libclang-rt-$llvm-dev}"
    sudo=""
    [[ "$(id -u)" -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang ${llvm:+"libclang-rt-$llvm-dev"}
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
    -DVORNE_BUILD_TESTS=OFF -DVORNE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

# Undefined behaviour counts as a finding, not just a printed warning.
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
# Graph files load plug-ins, which must be the fuzz build's own.
export KORADIR="$build/koradir"

failed=()
for target in "${targets[@]}"; do
    corpus="$out/$target/corpus"
    mkdir -p "$corpus"
    seeds=()
    # Hand-written seed inputs, when a target has some, start the corpus off.
    [[ -d "$root/fuzz/corpus/$target" ]] && seeds+=("$root/fuzz/corpus/$target")
    echo "== $target: ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$out/$target/" "$corpus" "${seeds[@]}"; then
        failed+=("$target")
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzz.sh: findings in ${failed[*]} (inputs in $out/<target>/crash-*)" >&2
    exit 1
fi
echo "fuzz.sh: no findings in ${targets[*]}"
