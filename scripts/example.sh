#!/usr/bin/env bash
# Builds the qr2vor tool and shows the bundled example form file as text.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQR2VOR_TESTS=OFF -DQR2VOR_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target qr2vor
"$build/src/app/cli/qr2vor" dump "$root/examples/invoice.dfm"
