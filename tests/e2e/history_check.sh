#!/usr/bin/env bash
# The print history as a shop uses it: a catalogue of twenty products printed once, then three
# prices and one promotion changed and printed with --changed gives exactly those four cards, in
# catalogue order, page i for product i; --history lists them; a history locked by another
# program, or damaged, still lets the cards print, with a warning; two batches at once are both
# recorded.
# Usage: history_check.sh PATH/TO/vornreport
# Needs soffice (exit 77, skipped, without it), pdftotext, pdfinfo and sqlite3.
set -u
command -v soffice >/dev/null || { echo "soffice not found: history check skipped"; exit 77; }
program=$(realpath "$1")
. "$(dirname "$0")/check_lib.sh"
need_tools pdftotext pdfinfo sqlite3
make_work history

templates="$(dirname "$program")/VornSAMPLE"
mkdir -p "$work/cards"
history_file=$XDG_DATA_HOME/vornreport/history.sqlite

# run NAME STATUS ARG... : prints with the program, expecting the exit status; the path it names
# is kept in $work/NAME.path, what it says in $work/NAME.err.
run() {
  local name=$1 expected=$2
  shift 2
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open --templates "$templates" \
    --output "$work/cards" --date 2026-12-10 "$@" >"$work/$name.path" 2>"$work/$name.err"
  local status=$?
  [ "$status" -eq "$expected" ] || fail "$name: status $status, expected $expected: $(cat "$work/$name.err")"
}

# catalogue FILE [CHANGES] : twenty products; CHANGES is sed commands that change some of them.
catalogue() {
  {
    echo "PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE,PROMO_PRICE,PROMO_START,PROMO_END,NET_CONTENT"
    for i in $(seq -w 1 20); do
      echo "P$i,,商品 $i,簡$i,瓶,$((10#$i * 10 + 100)),$((10#$i * 10 + 120)),$((10#$i * 10 + 90)),,,,600ml"
    done
  } | sed "${2:-}" >"$1"
}

catalogue "$work/week1.csv"
run week1 0 --layout SM1 --csv "$work/week1.csv"
# Three prices change, one product goes on promotion over the day the cards hang, and another
# gets a promotion that starts only next week: its card does not change yet.
catalogue "$work/week2.csv" 's/^P04,\(.*\),140,160,130,/P04,\1,145,160,130,/
s/^P09,\(.*\),190,210,180,/P09,\1,190,215,180,/
s/^P17,\(.*\),270,290,260,/P17,\1,270,290,255,/
s/^P12,\(.*\),,,,600ml$/P12,\1,199,2026-12-01,2026-12-24,600ml/
s/^P15,\(.*\),,,,600ml$/P15,\1,219,2026-12-20,2026-12-31,600ml/'
run week2 0 --layout SM1 --csv "$work/week2.csv" --changed --pdf
grep -q "^vornreport: 4 of 20 products changed since their last SM1 card$" "$work/week2.err" ||
  fail "week2: $(cat "$work/week2.err")"
pdf=$(cat "$work/week2.path")
if [ -f "$pdf" ]; then
  [ "$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')" = 4 ] || fail "week2: not 4 pages"
  page=1
  for product in P04 P09 P12 P17; do
    pdftotext -f $page -l $page "$pdf" "$work/page.txt"
    grep -q "$product" "$work/page.txt" || fail "week2: page $page lacks $product: $(tr '\n' ' ' <"$work/page.txt")"
    page=$((page + 1))
  done
  pdftotext -f 3 -l 3 "$pdf" - | grep -q '特價' || fail "week2: P12's card shows no promotion"
  [ "$failures" -eq 0 ] && echo "ok   --changed: the four changed products, page i for product i"
else
  fail "week2: no PDF"
fi

# Nothing changed since: nothing is written, and the program says so.
ls "$work/cards" >"$work/before.txt"
run week3 0 --layout SM1 --csv "$work/week2.csv" --changed
grep -q "^vornreport: 0 of 20 products changed" "$work/week3.err" &&
  grep -q "nothing to print" "$work/week3.err" && [ ! -s "$work/week3.path" ] &&
  diff -q "$work/before.txt" <(ls "$work/cards") >/dev/null &&
  echo "ok   --changed: nothing changed, nothing written" || fail "week3: $(cat "$work/week3.err")"

# --history: a table a script can read, newest first.
"$program" --history >"$work/list.path" 2>"$work/list.err" || fail "--history: $(cat "$work/list.err")"
header=$(head -1 "$work/list.path")
[ "$header" = "$(printf 'time\tlayout\tproduct\tname\tstore_price\tsuggested_price\tmember_price\tpromo_price\tpromo_start\tpromo_end\tcopies\tfile')" ] ||
  fail "--history: header '$header'"
[ "$(tail -n +2 "$work/list.path" | wc -l)" = 24 ] || fail "--history: $(wc -l <"$work/list.path") lines"
[ "$(sed -n 2,5p "$work/list.path" | cut -f3 | tr "\n" " ")" = "P17 P12 P09 P04 " ] || fail "--history: newest first: $(sed -n 2p "$work/list.path")"
"$program" --history P12 >"$work/product.path" 2>&1 || fail "--history P12: $(cat "$work/product.path")"
[ "$(tail -n +2 "$work/product.path" | cut -f2,3,5,8,9,10 | tr '\t' ' ')" = "$(printf 'SM1 P12 220 199 2026-12-01 2026-12-24\nSM1 P12 220   ')" ] ||
  fail "--history P12: $(cat "$work/product.path")"
[ "$failures" -eq 0 ] && echo "ok   --history: the cards printed, newest first"

# A history another program holds locked prints the card, with a warning and status 3.
(echo "BEGIN EXCLUSIVE;"; sleep 8; echo "COMMIT;") | sqlite3 "$history_file" &
locker=$!
sleep 1
run locked 3 --layout SM2 -- L1 4710088410108 鎖住 鎖 個 10 12 9
grep -q "print history not used: .*history.sqlite" "$work/locked.err" && [ -f "$(cat "$work/locked.path")" ] &&
  echo "ok   locked history: the card printed, with a warning" ||
  fail "locked: $(cat "$work/locked.err")"
wait "$locker"

# Two batches at once are both recorded.
runs_before=$(sqlite3 "$history_file" "SELECT count(*) FROM runs")
run both1 0 --layout B5 --csv "$work/week1.csv" &
run both2 0 --layout A4 --csv "$work/week1.csv" &
wait
runs_after=$(sqlite3 "$history_file" "SELECT count(*) FROM runs")
[ $((runs_after - runs_before)) = 2 ] &&
  [ "$(sqlite3 "$history_file" "SELECT count(*) FROM cards WHERE layout IN ('B5','A4')")" = 40 ] &&
  echo "ok   two batches at once: both recorded" || fail "two batches: $runs_before -> $runs_after runs"

# A damaged history is left as it is, and the card still prints with a warning.
damaged=$work/damaged
mkdir -p "$damaged/vornreport" && chmod 700 "$damaged" "$damaged/vornreport"
head -c 4096 /dev/urandom >"$damaged/vornreport/history.sqlite"
cp "$damaged/vornreport/history.sqlite" "$work/damaged.copy"
XDG_DATA_HOME=$damaged run damaged 3 --layout SM1 -- D1 4710088410108 壞 壞 個 10 12 9
grep -q "print history not used: .*damaged" "$work/damaged.err" && [ -f "$(cat "$work/damaged.path")" ] &&
  cmp -s "$damaged/vornreport/history.sqlite" "$work/damaged.copy" &&
  echo "ok   damaged history: left as it was, the card printed, with a warning" ||
  fail "damaged: $(cat "$work/damaged.err")"

finish history
