#!/bin/sh
# Runs `qr2vor run` on the benchmark report beside the peers of ../shared/peer-bench in one run
# of its bench.py, so every figure is measured on the same machine at the same time.
#
#   bench/run_peer_bench.sh [BUILD_DIR] [bench.py options...]
#
# BUILD_DIR is a Release build (default build/release) holding qr2vor and bench/sales_report.
# The peer folder is copied to $PEER_BENCH (default /tmp/peer-bench) when it is not there yet,
# its data is generated there (1m only when asked for with --sizes), the floor is compiled, and
# bench.py runs with the options given (default: --runs 3 --sizes 1k,10k,100k
# --only floor,floor-read,rl-canvas,qr2vor). Results go to $PEER_BENCH/results.
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
[ $# -gt 0 ] && shift
case $build in /*) ;; *) build=$repo/$build ;; esac
peer=${PEER_BENCH:-/tmp/peer-bench}
py=/usr/bin/python3

qr2vor=$build/src/app/cli/qr2vor
for binary in "$qr2vor" "$build/bench/sales_report"; do
  [ -x "$binary" ] || { echo "run_peer_bench: $binary: not built" >&2; exit 1; }
done
if [ ! -f "$peer/bench.py" ]; then
  cp -r "$repo/../shared/peer-bench" "$peer"
  chmod -R u+w "$peer"
fi
cd "$peer"
[ -f data/data_100k.csv ] || $py gen_data.py
case " $* " in *1m*) [ -f data/data_1m.csv ] || $py gen_data.py 1000000 data/data_1m.csv ;; esac
[ -x floor/floor ] || gcc -O2 -o floor/floor floor/floor.c
"$build/bench/sales_report" "$peer/sales.vor"

export QR2VOR_CMD="$qr2vor run $peer/sales.vor --data {csv} -o {pdf}"
if [ $# -eq 0 ]; then
  set -- --runs 3 --sizes 1k,10k,100k --only floor,floor-read,rl-canvas,qr2vor
fi
exec nice -n 10 $py bench.py "$@"
