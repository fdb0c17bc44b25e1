#!/usr/bin/env bash
# Times vornreport printing a batch of N distinct products from CSV, start to written
# card, for the SM1 and A4 layouts: one warm-up run, then the best of three by wall time.
# Prints wall, user and system seconds, the card's size, peak memory beside the CSV's
# size (and beside a one-product run, the program's own footprint), and PASS or FAIL
# against the goal of 10,000 cards in 2 seconds (scaled for larger batches); then the CPU time
# `--changed` takes to decide 100,000 products against a print history of 1,000,000 cards.
# Then, unless PDF_CARDS=0, the cards per second of the document alone (RTF), of its PDF made
# by LibreOffice as one document in one process (as before parts) and in parts, by one process
# and by one per processor, and of the same on label sheets ("Avery A4 L7413", SM1 only).
# Usage: bench/batch/run.sh [N...]   (default 10000; VORNREPORT names the program,
# default build/app/vornreport; LAYOUTS="SM1 A4", RUNS=3 and PDF_CARDS=2000 may be changed)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
program=${VORNREPORT:-$root/build/app/vornreport}
[ -x "$program" ] || { echo "vornreport not found: $program (set VORNREPORT)" >&2; exit 2; }
program=$(realpath "$program")
templates="$(dirname "$program")/VornSAMPLE"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000)
read -r -a layouts <<<"${LAYOUTS:-SM1 A4}"
runs=${RUNS:-3}
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-batch-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
# The cards printed here are recorded in a print history of the work folder, not the user's.
export XDG_DATA_HOME="$work/data"

# measure ARGS... : runs one print into an empty output folder; leaves
# "wall user sys peak_kb card_bytes" in $work/m.
measure() {
  rm -f "$work/out"/*
  env -u DISPLAY VORN_OPEN_COMMAND=true /usr/bin/time -f "%e %U %S %M" -o "$work/time" \
    "$program" --no-open --templates "$templates" --output "$work/out" "$@" \
    >"$work/path" 2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
  echo "$(cat "$work/time") $(stat -c %s "$(cat "$work/path")")" >"$work/m"
}

mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

printf '%-7s %-6s %6s %6s %6s %8s %8s %8s %8s %8s  %s\n' cards layout wall user sys \
  "card MB" "CSV MB" "peak MB" "1-card" "x CSV" result
for n in "${sizes[@]}"; do
  csv="$work/products-$n.csv"
  python3 "$root/bench/batch/gen_products.py" "$n" "$csv"
  csv_bytes=$(stat -c %s "$csv")
  goal=$(awk -v n="$n" 'BEGIN { g = 2 * n / 10000; printf "%.2f", (g < 2 ? 2 : g) }')
  for layout in "${layouts[@]}"; do
    measure --layout "$layout" -- A1 4711234567899 烏龍茶 茶 瓶 30 25 20
    read -r _ _ _ base_kb _ <"$work/m"
    measure --layout "$layout" --csv "$csv"  # warm-up
    : >"$work/all"
    for ((r = 0; r < runs; r++)); do
      measure --layout "$layout" --csv "$csv"
      cat "$work/m" >>"$work/all"
    done
    read -r wall user sys kb card_bytes < <(sort -n "$work/all" | head -1)
    # Memory the batch needs beyond the program's own, over the data it was given.
    ratio=$(awk -v p="$kb" -v b="$base_kb" -v c="$csv_bytes" \
      'BEGIN { printf "%.1f", (p - b) * 1024 / c }')
    result=$(awk -v w="$wall" -v g="$goal" 'BEGIN { print (w <= g ? "PASS" : "FAIL") }')
    printf '%-7s %-6s %6s %6s %6s %8s %8s %8s %8s %8s  %s (goal %s s)\n' "$n" "$layout" \
      "$wall" "$user" "$sys" "$(mb "$card_bytes")" "$(mb "$csv_bytes")" \
      "$(mb $((kb * 1024)))" "$(mb $((base_kb * 1024)))" "$ratio" "$result" "$goal"
  done
done
echo "wall/user/sys: seconds, best of $runs after a warm-up; peak MB: maximum resident"
echo "memory; 1-card: the same for one product; x CSV: (peak - 1-card) over the CSV's size."
# The change test of --changed: 100,000 products against a history of 1,000,000 cards.
history_bench="$(dirname "$program")/../bench/vorn_history_bench"
[ ! -x "$history_bench" ] || TMPDIR="$work" "$history_bench" --benchmark_filter=ChangedCards \
  --benchmark_format=csv 2>/dev/null | awk -F, '/^history of/ { print } /BM_ChangedCards/ {
    printf "--changed: 100,000 products against 1,000,000 cards: %.0f ms CPU, %.0f ms wall  %s (goal 500 ms CPU)\n",
      $4, $3, ($4 <= 500 ? "PASS" : "FAIL") }'

pdf_cards=${PDF_CARDS:-2000}
[ "$pdf_cards" -gt 0 ] || exit 0
command -v soffice >/dev/null || { echo "soffice not found: PDF throughput not measured"; exit 0; }
csv="$work/products-pdf.csv"
python3 "$root/bench/batch/gen_products.py" "$pdf_cards" "$csv"
# One warm-up conversion, so that every LibreOffice profile exists before the timing.
measure --layout SM1 --csv "$csv" --pdf
echo
printf '%-7s %-6s %-28s %8s %10s\n' cards layout output wall "cards/s"
# rate OUTPUT ARGS... : one timed run and its cards per second.
rate() {
  local output=$1
  shift
  measure "$@"
  read -r wall _ <"$work/m"
  printf '%-7s %-6s %-28s %8s %10s\n' "$pdf_cards" SM1 "$output" "$wall" \
    "$(awk -v n="$pdf_cards" -v w="$wall" 'BEGIN { printf "%.0f", n / (w > 0 ? w : 0.01) }')"
}
rate "RTF" --layout SM1 --csv "$csv"
# As before parts: the whole document in one LibreOffice process.
VORN_PDF_JOBS=1 VORN_PDF_PART_CARDS=1000000 rate "PDF, whole, 1 process" --layout SM1 --csv "$csv" --pdf
VORN_PDF_JOBS=1 rate "PDF, parts, 1 process" --layout SM1 --csv "$csv" --pdf
rate "PDF, parts, $(nproc) processes" --layout SM1 --csv "$csv" --pdf
VORN_PDF_JOBS=1 VORN_PDF_PART_CARDS=1000000 rate "sheets, whole, 1 process" --layout SM1 \
  --csv "$csv" --sheet "Avery A4 L7413"
rate "sheets, parts, $(nproc) processes" --layout SM1 --csv "$csv" --sheet "Avery A4 L7413"
