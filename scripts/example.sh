#!/usr/bin/env bash
# Builds the qr2vor tool, converts the bundled example form into a report file (with a ledger of
# what was carried and what was not), lists the data fields the report reads, runs it over the
# example's CSV file and writes the pages as text, page pictures and PDF.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQR2VOR_TESTS=OFF -DQR2VOR_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target qr2vor
out="$root/build/example"
mkdir -p "$out"
"$build/src/app/cli/qr2vor" convert --ledger "$out/invoice.ledger.json" "$root/examples/invoice.dfm" "$out/invoice.vor"
echo "ledger: $out/invoice.ledger.json" >&2
echo "fields the report reads:"
"$build/src/app/cli/qr2vor" fields "$out/invoice.vor"
data="$root/examples/invoice-lines.csv"
"$build/src/app/cli/qr2vor" run "$out/invoice.vor" --data "$data" -o "$out/invoice.txt"
"$build/src/app/cli/qr2vor" run "$out/invoice.vor" --data "$data" -o "$out/pages" --format png
"$build/src/app/cli/qr2vor" run "$out/invoice.vor" --data "$data" -o "$out/invoice.pdf"
cat "$out/invoice.txt"
echo "pages: $out/invoice.txt, $out/pages/page-001.png ..., $out/invoice.pdf" >&2
