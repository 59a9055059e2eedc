#!/usr/bin/env bash
# bench/run.sh: builds Tovra, builds (or reuses) the benchmark trees and prints how close
# Tovra's passes come to what the platform itself can do, as a table with its goals.
# Runs the 64-bit build under wine64: this machine cannot execute the 32-bit product.
# TOVRA_BUILD names the build folder (default: build); TOVRA_BENCH_SIZES the tree sizes
# (default: 10000 100000 1000000); TOVRA_BENCH_REPS the repetitions of each figure (default 5).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRA_BUILD:-$top/build}
export TOVRA_BUILD=$build
sizes=${TOVRA_BENCH_SIZES:-10000 100000 1000000}
reps=${TOVRA_BENCH_REPS:-5}
data=$top/bench/data
"$top/scripts/install-deps.sh"
# Only what the benchmark runs: the 64-bit build of the benchmark program and the code it links.
cmake -S "$top" -B "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" -DTOVRA_TESTS=ON >/dev/null
cmake --build "$build/x86_64" -j "$(nproc)" --target tovra_bench

# The trees live on the real ext4 volume of the checkout and are kept between runs.
mkdir -p "$data"
for n in $sizes 20000; do
  python3 "$top/bench/maketree.py" "$data/tree-$n" "$n"
done

# Record sizes of both builds, read from the assembly the two compilers make of a probe.
probe() {
  printf '#include "engine/scan.h"\nextern const int EntryProbe = sizeof(FileEntry);\nextern const int NodeProbe = sizeof(FolderNode);\n' |
    "$1" -x c++ -std=c++17 -I"$top" -S -o - - |
    awk '/^_?(Entry|Node)Probe:/ {getline; printf "%s ", $2} END {print ""}'
}
read -r entry32 node32 < <(probe i686-w64-mingw32-g++-posix)
read -r entry64 node64 < <(probe x86_64-w64-mingw32-g++-posix)

source "$top/scripts/wine-env.sh"
trap wine_env_stop EXIT
TOVRA_VOLUME_MB=${TOVRA_VOLUME_MB:-256} wine_env_start
ln -sfn "$data" "$WINEPREFIX/dosdevices/b:"

exe=$build/x86_64/bench/tovra_bench.exe
results=$build/bench-results.txt
: >"$results"
bench() {
  "$WINE64" "$exe" "$@" </dev/null 2>&1 | tr -d '\r' | tee -a "$results" | grep -v '^RESULT\|^RECORD' || true
}

for n in $sizes; do
  bench scan "B:\\tree-$n\\" "$n" "$reps"
  bench stages "B:\\tree-$n\\" "$n" 3
done

# Deletion consumes its tree: a fresh one of 10,000 files on the tmpfs volume T: each time.
for _ in $(seq "$reps"); do
  for mode in floor pass pass-nolog; do
    python3 "$top/bench/maketree.py" --fresh "$TOVRA_VOLUME_DIR/del" 10000 >/dev/null
    bench delete 'T:\del\' 10000 "$mode"
  done
done

for _ in $(seq "$reps"); do
  bench report 'B:\tree-20000\' 20000
done

python3 "$top/bench/summarize.py" "$results" "$entry32" "$node32" "$entry64" "$node64"
for n in $sizes 20000; do
  echo "tree-$n: $(sed -n 2p "$data/tree-$n.stamp")"
done
