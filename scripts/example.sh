#!/usr/bin/env bash
# Builds the qr2vor tool, converts the bundled example form into a report file (with a ledger of
# what was carried and what was not) and shows the report as text.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQR2VOR_TESTS=OFF -DQR2VOR_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target qr2vor
out="$root/build/example"
mkdir -p "$out"
"$build/src/app/cli/qr2vor" convert --ledger "$out/invoice.ledger.json" "$root/examples/invoice.dfm" "$out/invoice.vor"
"$build/src/app/cli/qr2vor" dump "$out/invoice.vor"
echo "ledger: $out/invoice.ledger.json" >&2
