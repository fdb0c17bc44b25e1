#!/usr/bin/env bash
# Renders the reference price cards (one card per record) with vornfill (into a file and to
# standard output), Jinja2, Handlebars and Google's ctemplate (a native C++ peer, built here
# from bench/compare/ctemplate_cards.cpp) for 1,000, 10,000 and 100,000 records, alternating
# the runs, and prints each one's wall and CPU time, output MB/s, peak memory and time over
# ours, beside a plain copy and a durable copy (dd conv=fsync) of the same bytes.
# Usage: bench/compare/run.sh [SIZES...]   (needs the build in build/)
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
dpkg-query -W -f='${Status}' libctemplate-dev 2>/dev/null | grep -q "ok installed" || {
  echo "Installing libctemplate-dev" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libctemplate-dev >/dev/null
}
cp -r "$ref/." "$work/ref"
# The ctemplate peer: the Jinja2 card in ctemplate's markers, rows as a section.
sed -e 's/{% for r in rows %}/{{#ROWS}}/' -e 's/{% endfor %}/{{\/ROWS}}/' \
  -e 's/{{ r\.\([A-Z_]*\)|[a-z0-9()]* }}/{{\1}}/g' "$ref/card-jinja.rtf" >"$work/card-ctemplate.rtf"
have_ct=0
g++ -O2 -std=c++20 -o "$work/ctemplate_cards" "$root/bench/compare/ctemplate_cards.cpp" \
  -lctemplate -lpthread && have_ct=1 || echo "ctemplate peer did not build: skipped" >&2
(cd "$work/ref" && npm ci --silent >/dev/null 2>&1) || echo "npm ci failed: Handlebars skipped" >&2
have_hbs=0; [ -d "$work/ref/node_modules/handlebars" ] && have_hbs=1

# Wall seconds, CPU seconds and peak RSS (MB) of one command; its standard output goes to
# $work/stdout.
measure() {
  local out=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr" || {
    cat "$work/stderr" >&2; return 1; }
  read -r secs user sys kb <"$work/time"
  echo "$secs $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') $((kb / 1024))" >"$out"
}
[ -x /usr/bin/time ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null

best() { sort -n "$1" | head -1; }

printf '%-8s %-12s %8s %8s %8s %8s %8s\n' records engine seconds cpu MB/s peakMB "x ours"
for n in "${sizes[@]}"; do
  (cd "$work/ref" && python3 gen.py "$n" >/dev/null)
  csv="$work/ref/products-$n.csv"
  typed="$work/typed-$n.csv"
  # Prices typed as numbers for vornfill, as the reference README suggests.
  sed '1s/PSALE_PRICE,SALE_PRICE,VIP_PRICE/PSALE_PRICE:integer,SALE_PRICE:integer,VIP_PRICE:integer/' "$csv" >"$typed"
  : >"$work/vorn"; : >"$work/stdout-run"; : >"$work/jinja"; : >"$work/hbs"; : >"$work/ctemplate"
  : >"$work/copy"; : >"$work/durable"
  for ((r = 0; r < runs; r++)); do
    measure "$work/m" "$vornfill" --charset 136 --data "A=$typed" "$ref/card-vorn.rtf" "$work/out-vorn.rtf"
    cat "$work/m" >>"$work/vorn"
    measure "$work/m" "$vornfill" --charset 136 --data "A=$typed" "$ref/card-vorn.rtf" -
    cat "$work/m" >>"$work/stdout-run"
    cmp -s "$work/stdout" "$work/out-vorn.rtf" || echo "  standard output differs from the file" >&2
    rm -f "$work/stdout"
    measure "$work/m" python3 "$work/ref/render-jinja.py" "$work/ref/card-jinja.rtf" "$csv" "$work/out-jinja.rtf"
    cat "$work/m" >>"$work/jinja"
    if [ $have_ct = 1 ]; then
      measure "$work/m" "$work/ctemplate_cards" "$work/card-ctemplate.rtf" "$csv" "$work/out-ctemplate.rtf"
      cat "$work/m" >>"$work/ctemplate"
    fi
    if [ $have_hbs = 1 ]; then
      measure "$work/m" node "$work/ref/render-hbs.js" "$work/ref/card-hbs.rtf" "$csv" "$work/out-hbs.rtf"
      cat "$work/m" >>"$work/hbs"
    fi
    measure "$work/m" cp "$work/out-vorn.rtf" "$work/out-copy.rtf"
    cat "$work/m" >>"$work/copy"
    measure "$work/m" dd if="$work/out-vorn.rtf" of="$work/out-durable.rtf" bs=1M conv=fsync status=none
    cat "$work/m" >>"$work/durable"
  done
  bytes=$(stat -c %s "$work/out-vorn.rtf")
  read -r vs _ _ < <(best "$work/vorn")
  for engine in vorn stdout-run jinja hbs ctemplate copy durable; do
    [ -s "$work/$engine" ] || continue
    read -r s cpu m < <(best "$work/$engine")
    mbs=$(awk -v b="$bytes" -v s="$s" 'BEGIN { printf "%.0f", (s > 0 ? b / s / 1e6 : 0) }')
    ratio=$(awk -v a="$s" -v b="$vs" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    name=$engine
    [ "$engine" = vorn ] && name="vorn file"
    [ "$engine" = stdout-run ] && name="vorn stdout"
    printf '%-8s %-12s %8s %8s %8s %8s %8s\n' "$n" "$name" "$s" "$cpu" "$mbs" "$m" "$ratio"
  done
  cmp -s "$work/out-jinja.rtf" "$work/out-hbs.rtf" 2>/dev/null && echo "  (Jinja2 and Handlebars outputs identical)"
  cmp -s "$work/out-jinja.rtf" "$work/out-ctemplate.rtf" 2>/dev/null && echo "  (ctemplate output identical to Jinja2's)"
done
echo "seconds: wall time, best of $runs; cpu: user and system seconds of that run; x ours: that"
echo "run's time over vornfill's into a file (copy: cp of our output; durable: dd conv=fsync)."
