#!/usr/bin/env bash
# Prints cards with barcodes, lets LibreOffice lay them out as PDF, renders the pages at
# 300 dpi and reads them back with a barcode reader: every layout's symbol must decode to
# the product's 13 digits, a 12-digit value to the same digits with the check digit
# computed, EAN-8 and UPC-A to their own digits, and the pages of a CSV batch and of a
# database batch to every product on them.
# A wrong check digit must fail the run, name the product and leave no card behind.
# Usage: barcode_check.sh PATH/TO/vornreport [LAYOUT...]   (default: all five layouts)
# Needs soffice (exit 77, skipped, without it), pdftoppm and zbarimg.
set -u
command -v soffice >/dev/null || { echo "soffice not found: barcode check skipped"; exit 77; }
program=$(realpath "$1")
shift
layouts=("$@")
[ ${#layouts[@]} -gt 0 ] || layouts=(B5 A4 SM1 SM2 OTHER)
for tool in pdftoppm zbarimg; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool not found (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vornreport-barcode.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The program's PDF conversion keeps its LibreOffice profile in TMPDIR: a private one
# here, so a word processor running elsewhere cannot lock this test out.
export TMPDIR=$work
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

templates="$(dirname "$program")/VornSAMPLE"
mkdir -p "$work/cards" "$work/pdf"

# card NAME LAYOUT VALUE... : writes one card and keeps it under NAME.rtf for conversion.
card() {
  local name=$1 layout=$2
  shift 2
  local path
  path=$(env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --layout "$layout" --no-open \
    --templates "$templates" --output "$work/cards" "$@" 2>"$work/err")
  local status=$?
  if [ "$status" -ne 0 ] || [ ! -f "$path" ]; then
    fail "$name: status $status: $(cat "$work/err")"
    return
  fi
  mv "$path" "$work/pdf/$name.rtf"
}

# decoded PDF : the symbols the reader finds on every page, one per line, sorted.
decoded() {
  local pdf=$1 base=${1%.pdf}
  pdftoppm -r 300 -png "$pdf" "$base-page" || return
  # The reader's stderr only carries its desktop-bus noise; a missing code shows as a mismatch.
  zbarimg --raw -q "$base"-page*.png 2>/dev/null | sort
}

# expect_codes NAME CODE... : NAME.pdf shows exactly these symbols.
expect_codes() {
  local name=$1
  shift
  local pdf="$work/pdf/$name.pdf"
  [ -f "$pdf" ] || { fail "$name: LibreOffice wrote no PDF"; return; }
  local found expected
  found=$(decoded "$pdf")
  expected=$(printf '%s\n' "$@" | sort)
  if [ "$found" != "$expected" ]; then
    fail "$name: read '$(echo $found)', expected '$(echo $expected)'"
  else
    echo "ok   $name: $(echo $found)"
  fi
}

# 4711234567899 is a whole EAN-13; 490123456789 lacks its check digit, 4.
for layout in "${layouts[@]}"; do
  card "$layout-ean13" "$layout" -- P13 4711234567899 烏龍茶 茶 盒 350 399 299
  card "$layout-ean12" "$layout" -- P12 490123456789 綠茶 茶 瓶 30 25 20
done
card "${layouts[0]}-ean8" "${layouts[0]}" -- P8 9638507 紅茶 茶 瓶 30 25 20
card "${layouts[0]}-upca" "${layouts[0]}" -- PA 03600029145 咖啡 咖 罐 30 25 20

# Three products on the run-on layout, which puts several cards on a page.
cat >"$work/batch.csv" <<'EOF'
PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,SALE_PRICE,PSALE_PRICE,VIP_PRICE
B1,4710088412348,烏龍茶,茶,盒,350,399,299
B2,590123412345,綠茶,茶,瓶,30,25,20
B3,4006381333931,麥茶,茶,包,45,40,38
EOF
card batch SM1 --csv "$work/batch.csv"
# The same from a database query, on the other run-on layout.
sqlite_batch=0
if command -v python3 >/dev/null; then
  python3 - "$work/batch.db" <<'PY' && sqlite_batch=1
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("CREATE TABLE p(PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SNAME, UNITNAME,"
           " SALE_PRICE INTEGER, PSALE_PRICE INTEGER, VIP_PRICE INTEGER, SHELF INTEGER)")
db.executemany("INSERT INTO p VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)",
               [("Q1", "4711234567899", "烏龍茶", "茶", "盒", 350, 399, 299, 3),
                ("Q2", "96385074", "紅茶", "茶", "瓶", 30, 25, 20, 3),
                ("Q3", "4006381333931", "麥茶", "茶", "包", 45, 40, 38, 4)])
db.commit()
PY
  card query SM2 --sqlite "$work/batch.db" --query "SELECT * FROM p WHERE SHELF = 3"
else
  echo "python3 not found: the database batch is not checked"
fi

# One LibreOffice start for every card; the cards are RTF under a ".doc" name.
(cd "$work/pdf" && soffice "-env:UserInstallation=file://$work/lo-profile" --headless \
  "--infilter=Rich Text Format" --convert-to pdf --outdir "$work/pdf" ./*.rtf >/dev/null 2>&1)

for layout in "${layouts[@]}"; do
  expect_codes "$layout-ean13" 4711234567899
  expect_codes "$layout-ean12" 4901234567894
done
expect_codes "${layouts[0]}-ean8" 96385074
# The reader reports UPC-A in its EAN-13 form, with a leading zero.
expect_codes "${layouts[0]}-upca" 0036000291452
expect_codes batch 4710088412348 5901234123457 4006381333931
[ "$sqlite_batch" -eq 0 ] || expect_codes query 4711234567899 96385074

# The program's own --pdf path, through to the barcode.
pdf=$(env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --layout A4 --no-open --pdf \
  --templates "$templates" --output "$work/cards" -- PP 4711234567899 烏龍茶 2>"$work/err")
status=$?
if [ "$status" -ne 0 ] || [ ! -f "$pdf" ]; then
  fail "--pdf: status $status: $(cat "$work/err")"
else
  mv "$pdf" "$work/pdf/own.pdf"
  expect_codes own 4711234567899
fi
rm -f "$work/cards"/*

# refused NAME EXPECTED_MESSAGE ARGS... : the run fails with the message and writes nothing.
refused() {
  local name=$1 message=$2
  shift 2
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --layout SM1 --no-open \
    --templates "$templates" --output "$work/cards" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  [ "$status" -eq 1 ] || fail "$name: status $status, expected 1"
  [ "$(cat "$work/err")" = "$message" ] || fail "$name: message '$(cat "$work/err")'"
  [ -z "$(ls -A "$work/cards")" ] && echo "ok   $name: refused" ||
    fail "$name: left $(ls "$work/cards")"
}
refused wrong-check-digit "vornreport: Wrong barcode check digit of product P13: 4711234567890" \
  -- P13 4711234567890 烏龍茶
# The third of three products is wrong: the cards already made must not be left either.
sed -i 's/^B3,4006381333931/B3,4006381333932/' "$work/batch.csv"
refused batch-wrong-check-digit \
  "vornreport: Wrong barcode check digit of product B3: 4006381333932" --csv "$work/batch.csv"

if [ "$failures" -ne 0 ]; then
  echo "$failures barcode check(s) failed" >&2
  exit 1
fi
echo "all barcode checks passed"
