#!/usr/bin/env bash
# Builds the fuzz tree (clang, libFuzzer, ASan, UBSan) and runs one target on one core.
# usage: fuzz/run.sh TARGET SECONDS [extra libFuzzer flags...]
#   TARGET is the name under fuzz/corpus/, e.g. stream_reader (the executable is TARGET_fuzz).
# New inputs go to build/fuzz/corpus/TARGET (the committed seeds stay as they are); crashes,
# leaks and timeouts go to build/fuzz/artifacts/TARGET/.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer flags...]" >&2
  exit 2
fi
target=${1%_fuzz}
seconds=$2
shift 2

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
seeds=$root/fuzz/corpus/$target
work=$build/corpus/$target
artifacts=$build/artifacts/$target

if [[ ! -f $build/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQR2VOR_FUZZ=ON
fi
ninja -C "$build" -j1 "${target}_fuzz"

mkdir -p "$work" "$artifacts"
seedDirs=()
[[ -d $seeds ]] && seedDirs+=("$seeds")
exec "$build/fuzz/${target}_fuzz" "$work" "${seedDirs[@]}" \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@"
