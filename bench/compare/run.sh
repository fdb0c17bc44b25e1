#!/usr/bin/env bash
# Renders the reference price cards (one card per record) with vornfill, Jinja2 and
# Handlebars for 1,000, 10,000 and 100,000 records, alternating the runs, and prints each
# peer's time over ours, output MB/s, peak memory, and our time over a plain copy of the
# same bytes. Usage: bench/compare/run.sh [SIZES...]   (needs the build in build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
ref=${VORN_BENCH_REFERENCE:-$root/../shared/bench}
vornfill=${VORNFILL:-$root/build/cli/vornfill}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 100000)
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v python3 >/dev/null && python3 -c 'import jinja2' 2>/dev/null || {
  echo "Installing python3-jinja2" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq python3-jinja2 >/dev/null
}
cp -r "$ref/." "$work/ref"
(cd "$work/ref" && npm ci --silent >/dev/null 2>&1) || echo "npm ci failed: Handlebars skipped" >&2
have_hbs=0; [ -d "$work/ref/node_modules/handlebars" ] && have_hbs=1

# Seconds and peak RSS (MB) of one command, via GNU time's format or /proc fallback.
measure() {
  local out=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
    cat "$work/stderr" >&2; return 1; }
  read -r secs kb <"$work/time"
  echo "$secs $((kb / 1024))" >"$out"
}
[ -x /usr/bin/time ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null

best() { sort -n "$1" | head -1; }

printf '%-8s %-10s %8s %8s %8s %8s\n' records engine seconds MB/s peakMB "x ours"
for n in "${sizes[@]}"; do
  (cd "$work/ref" && python3 gen.py "$n" >/dev/null)
  csv="$work/ref/products-$n.csv"
  typed="$work/typed-$n.csv"
  # Prices typed as numbers for vornfill, as the reference README suggests.
  sed '1s/PSALE_PRICE,SALE_PRICE,VIP_PRICE/PSALE_PRICE:integer,SALE_PRICE:integer,VIP_PRICE:integer/' "$csv" >"$typed"
  : >"$work/vorn"; : >"$work/jinja"; : >"$work/hbs"; : >"$work/copy"
  for ((r = 0; r < runs; r++)); do
    measure "$work/m" "$vornfill" --charset 136 --data "A=$typed" "$ref/card-vorn.rtf" "$work/out-vorn.rtf"
    cat "$work/m" >>"$work/vorn"
    measure "$work/m" python3 "$work/ref/render-jinja.py" "$work/ref/card-jinja.rtf" "$csv" "$work/out-jinja.rtf"
    cat "$work/m" >>"$work/jinja"
    if [ $have_hbs = 1 ]; then
      measure "$work/m" node "$work/ref/render-hbs.js" "$work/ref/card-hbs.rtf" "$csv" "$work/out-hbs.rtf"
      cat "$work/m" >>"$work/hbs"
    fi
    measure "$work/m" cp "$work/out-vorn.rtf" "$work/out-copy.rtf"
    cat "$work/m" >>"$work/copy"
  done
  bytes=$(stat -c %s "$work/out-vorn.rtf")
  read -r vs vm < <(best "$work/vorn")
  for engine in vorn jinja hbs copy; do
    [ -s "$work/$engine" ] || continue
    read -r s m < <(best "$work/$engine")
    mbs=$(awk -v b="$bytes" -v s="$s" 'BEGIN { printf "%.0f", (s > 0 ? b / s / 1e6 : 0) }')
    ratio=$(awk -v a="$s" -v b="$vs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-8s %-10s %8s %8s %8s %8s\n' "$n" "$engine" "$s" "$mbs" "$m" "$ratio"
  done
  cmp -s "$work/out-jinja.rtf" "$work/out-hbs.rtf" 2>/dev/null && echo "  (peers' outputs identical)"
done
echo "x ours: that engine's time over vornfill's (copy: the plain copy of our output)."
