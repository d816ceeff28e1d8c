#!/usr/bin/env bash
# Converts every form of a corpus folder and runs each converted report over sample data
# ("run REPORT.vor --data sample -o page.txt"), then tells how many ran to the end and groups
# the failures by their cause. Usage: corpus-sample-run.sh QR2VOR_BINARY [CORPUS_DIR]
# Exits 0 when the corpus is absent (nothing to run).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:?usage: corpus-sample-run.sh QR2VOR_BINARY [CORPUS_DIR]}
corpus=${2:-$root/../shared/corpus}
# Seconds one report may run (the example takes about one; a loaded machine needs more).
limit=${QR2VOR_RUN_LIMIT:-60}
if [[ ! -d $corpus ]]; then
  echo "corpus not found: $corpus (skipped)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$binary" convert --batch "$corpus" "$work/vor" >"$work/convert.log" 2>&1
tail -n 1 "$work/convert.log"
ran=0
failed=0
: >"$work/causes"
while IFS= read -r -d '' report; do
  timeout "$limit" "$binary" run "$report" --data sample -o "$work/out.txt" >/dev/null 2>"$work/err"
  status=$?
  if [[ $status -eq 0 ]]; then
    ran=$((ran + 1))
  else
    failed=$((failed + 1))
    # The cause without the file name and the names of fields, controls and expressions.
    cause=$(head -n 1 "$work/err")
    [[ $status -eq 124 ]] && cause="no end within $limit s"
    [[ -z $cause ]] && cause="exit status $status without message"
    cause=${cause#qr2vor: }
    cause=${cause#"$report": }
    echo "$cause" | sed -E "s/'[^']*'/'…'/g; s/ of [A-Za-z0-9_]+:/ of …:/" >>"$work/causes"
    echo "${report#"$work/vor/"}: $cause" >>"$work/failures"
  fi
  rm -f "$work/out.txt"
done < <(find "$work/vor" -name '*.vor' -print0 | sort -z)
echo "ran to the end: $ran, failed: $failed"
if [[ $failed -gt 0 ]]; then
  echo "causes:"
  sort "$work/causes" | uniq -c | sort -rn
  echo "failures:"
  cat "$work/failures"
fi
