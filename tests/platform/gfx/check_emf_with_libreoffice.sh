#!/usr/bin/env bash
# Checks that EMF and WMF pages written by the metafile canvas open in a real client: LibreOffice
# converts them to PDF; pdftotext must find the texts and pixel probes of the PDF rendered at
# 96 pixels per inch must find the shapes where they were drawn. Installs what it needs (large:
# not part of the default test run). Usage: check_emf_with_libreoffice.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/asan}
need=()
command -v soffice >/dev/null || need+=(libreoffice-draw-nogui)
command -v pdftotext >/dev/null || need+=(poppler-utils)
if ((${#need[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
cmake --build "$build" --target platform_gfx_test >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QR2VOR_EMF_SAMPLE_DIR=$work "$build/tests/platform/gfx/platform_gfx_test" \
  --gtest_filter=EmfSampleTest.* >/dev/null
status=0
for kind in emf wmf; do
  mkdir -p "$work/$kind"
  soffice --headless -env:UserInstallation=file://$work/profile --convert-to pdf \
    --outdir "$work/$kind" "$work/page.$kind" >/dev/null 2>&1
  pdf=$work/$kind/page.pdf
  if [ ! -s "$pdf" ]; then echo "$kind: LibreOffice wrote no PDF"; status=1; continue; fi
  text=$(pdftotext "$pdf" -)
  for expected in "Quarterly Sales Report" "Total 1234.56" "Rotated" "Word wrapped text"; do
    if grep -qF "$expected" <<<"$text"; then echo "$kind: text '$expected' found"
    else echo "$kind: text '$expected' MISSING"; status=1; fi
  done
  pdftoppm -r 96 -singlefile "$pdf" "$work/$kind/page"
  python3 - "$work/$kind/page.ppm" "$kind" <<'PY' || status=1
import sys
data = open(sys.argv[1], 'rb').read()
# P6 header: magic, width, height, maximum, then RGB bytes.
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
def pixel(x, y):
    i = (y * width + x) * 3
    return tuple(pixels[i:i + 3])
def near(a, b):
    return all(abs(p - q) < 60 for p, q in zip(a, b))
# Draw places a picture on a page of its own size, scaled to fit inside 1 cm margins and centred:
# page coordinates map to x0 + s * x, y0 + s * y.
margin = 96 / 2.54
s = min((width - 2 * margin) / 794, (height - 2 * margin) / 1123)
x0, y0 = (width - 794 * s) / 2, (height - 1123 * s) / 2
def at(x, y):
    return round(x0 + s * x), round(y0 + s * y)
probes = [((200, 350), (255, 0, 0), 'inside the red rectangle'),
          ((320, 350), (255, 255, 255), 'right of the red rectangle'),
          ((500, 400), (0, 0, 255), 'centre of the blue disc'),
          ((415, 315), (255, 255, 255), 'corner outside the disc'),
          ((400, 600), (0, 0, 0), 'on the rule'),
          ((400, 620), (255, 255, 255), 'below the rule')]
failed = False
print(f'{sys.argv[2]}: rendered {width} x {height}, scale {s:.4f}')
for (x, y), colour, what in probes:
    got = pixel(*at(x, y))
    ok = near(got, colour)
    failed |= not ok
    print(f"{sys.argv[2]}: pixel ({x}, {y}) {what}: {got} {'ok' if ok else 'WRONG'}")
# The red rectangle's edges, found by scanning, lie where the mapping puts them (within 2 pixels).
red = [(x, y) for y in range(height) for x in range(width) if near(pixel(x, y), (255, 0, 0))]
box = (min(p[0] for p in red), min(p[1] for p in red), max(p[0] for p in red), max(p[1] for p in red))
want = at(100, 300) + at(299, 399)
ok = all(abs(a - b) <= 2 for a, b in zip(box, want))
failed |= not ok
print(f"{sys.argv[2]}: red rectangle {box}, expected {want}: {'ok' if ok else 'WRONG'}")
sys.exit(1 if failed else 0)
PY
done
exit $status
