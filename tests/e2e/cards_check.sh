#!/usr/bin/env bash
# Prints hard products on every layout, alone and as a batch, lets LibreOffice lay them out as
# PDF and reads every page back: one page per card (page i is product i), the product's name,
# number and prices in the page's text, and its barcode, rendered at 300 dpi, decoded by a
# barcode reader to the product's own digits. A product that can make no correct card is left
# out with a warning (exit status 3); a wrong check digit prints the card without a symbol.
# Usage: cards_check.sh PATH/TO/vornreport [LAYOUT...]   (default: all five layouts)
# Needs soffice (exit 77, skipped, without it), pdftotext, pdftoppm and zbarimg.
set -u
command -v soffice >/dev/null || { echo "soffice not found: card check skipped"; exit 77; }
program=$(realpath "$1")
shift
layouts=("$@")
[ ${#layouts[@]} -gt 0 ] || layouts=(B5 A4 SM1 SM2 OTHER)
. "$(dirname "$0")/check_lib.sh"
need_tools pdftotext pdftoppm pdfinfo zbarimg
make_work cards

templates="$(dirname "$program")/VornSAMPLE"
mkdir -p "$work/cards" "$work/pdf"

# print NAME STATUS LAYOUT ARG... : writes a document, expecting the exit status, and keeps it
# under NAME.rtf for conversion; the warnings stay in NAME.err.
print() {
  local name=$1 expected=$2 layout=$3
  shift 3
  local path
  path=$(env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --layout "$layout" --no-open \
    --templates "$templates" --output "$work/cards" "$@" 2>"$work/$name.err")
  local status=$?
  if [ "$status" -ne "$expected" ] || [ ! -f "$path" ]; then
    fail "$name: status $status, expected $expected: $(cat "$work/$name.err")"
    return
  fi
  mv "$path" "$work/pdf/$name.rtf"
}

# The hard products: a name of the field's full size in Chinese and in Latin capitals, six-digit
# prices as clerks write them, a name with units that must not break, no prices and no barcode,
# a wrong check digit, an EAN-13 whose leading 0 a spreadsheet dropped, and a price with cents.
cat >"$work/hard.csv" <<'CSV'
PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE
H1,4710088410108,有機高山烏龍茶家庭號超值組合包經典原味綠茶禮盒裝大,高山烏龍茶家庭號組合,公斤裝禮盒,999999,888888,777777
H2,4711234567899,ORGANIC HIGH MOUNTAIN OOLONG TEA FAMILY PACK 600ML,OOLONG TEA FAMILY PK,BOTTLE 6PK,"123,456",NT$99999,$1280
H3,96385074,有機高山烏龍茶飲料600ml 家庭號超值組合包 12入,烏龍茶,瓶,45.00,50,39
H4,,綠茶,茶,瓶,,,
H5,4710088410109,紅茶拿鐵,紅茶,杯,55,60,50
H6,490000289114,WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW,MMMMMMMMMMMMMMMMMMMM,WWWWWWWWWW,1,2,3
H7,4006381333931,麥茶,茶,包,45.50,40,38
CSV
# Product i of the batch: number, barcode the reader must find ("-" for none), and the texts
# its page must show, blanks removed.
expected_cards=(
  "H1 4710088410108 有機高山烏龍茶家庭號超值組合包經典原味綠茶禮盒裝大 高山烏龍茶家庭號組合 公斤裝禮盒 \$999,999 \$888,888 \$777,777"
  "H2 4711234567899 ORGANICHIGHMOUNTAINOOLONGTEAFAMILYPACK600ML OOLONGTEAFAMILYPK BOTTLE6PK \$123,456 \$99,999 \$1,280"
  "H3 96385074 有機高山烏龍茶飲料600ml家庭號超值組合包12入 烏龍茶 \$45 \$50 \$39"
  "H4 - 綠茶"
  "H5 - 紅茶拿鐵 4710088410109 \$55 \$60 \$50"
  "H6 0490000289114 WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW MMMMMMMMMMMMMMMMMMMM \$1 \$2 \$3"
)
readme=(4710001 4710001234569 "有機高山烏龍茶 300g" "烏龍茶" "罐" 320 350 299)
for layout in "${layouts[@]}"; do
  print "$layout-batch" 3 "$layout" --csv "$work/hard.csv"
  grep -q "line 6, product H5: printed without the barcode symbol" "$work/$layout-batch.err" ||
    fail "$layout-batch: no warning for H5: $(cat "$work/$layout-batch.err")"
  grep -q "line 8, product H7: left out: " "$work/$layout-batch.err" ||
    fail "$layout-batch: no warning for H7: $(cat "$work/$layout-batch.err")"
  print "$layout-readme" 0 "$layout" -- "${readme[@]}"
  print "$layout-latin" 0 "$layout" -- H2 4711234567899 "ORGANIC HIGH MOUNTAIN OOLONG TEA FAMILY PACK 600ML" \
    "OOLONG TEA FAMILY PK" "BOTTLE 6PK" 123456 99999 1280
done
layout=${layouts[0]}
print ean8 0 "$layout" -- P8 96385074 紅茶 茶 瓶 30 25 20
print upca 0 "$layout" -- PA 036000291452 咖啡 咖 罐 30 25 20
print wrong-digit 3 "$layout" -- P13 4711234567890 烏龍茶
grep -q "product P13: printed without the barcode symbol: Wrong barcode check digit (9 expected): 4711234567890" \
  "$work/wrong-digit.err" || fail "wrong-digit: $(cat "$work/wrong-digit.err")"
# A database batch on a small label.
if command -v python3 >/dev/null; then
  python3 - "$work/batch.db" <<'PY'
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
  print query 0 SM2 --sqlite "$work/batch.db" --query "SELECT * FROM p WHERE SHELF = 3"
fi

# One LibreOffice start for every document; the cards are RTF under a ".doc" name.
(cd "$work/pdf" && soffice "-env:UserInstallation=file://$work/lo-profile" --headless \
  "--infilter=Rich Text Format" --convert-to pdf --outdir "$work/pdf" ./*.rtf >/dev/null 2>&1)

pages_of() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ { print $2 }'; }
# page_text PDF N : the page's text without blanks and line breaks.
page_text() { pdftotext -f "$2" -l "$2" "$1" - 2>/dev/null | tr -d ' \n\f'; }
# page_codes PDF N : the symbols the reader finds on the page, space-separated.
page_codes() {
  pdftoppm -r 300 -png -f "$2" -l "$2" "$1" "$work/page" || return
  # The reader's stderr only carries its desktop-bus noise; a missing code shows as a mismatch.
  zbarimg --raw -q "$work"/page*.png 2>/dev/null | sort | tr '\n' ' ' | sed 's/ $//'
  rm -f "$work"/page*.png
}

# expect_card PDF N "NUMBER CODE TEXT..." : page N shows the product.
expect_card() {
  local pdf=$1 page=$2
  read -r -a want <<<"$3"
  local text codes
  text=$(page_text "$pdf" "$page")
  for part in "${want[0]}" "${want[@]:2}"; do
    [[ "$text" == *"$part"* ]] || fail "$(basename "$pdf") page $page: no '$part' in '$text'"
  done
  codes=$(page_codes "$pdf" "$page")
  local expected=${want[1]}
  [ "$expected" = "-" ] && expected=""
  [ "$codes" = "$expected" ] || fail "$(basename "$pdf") page $page: read '$codes', expected '$expected'"
}

# expect_document NAME "CARD" ... : the document has exactly these cards, one a page.
expect_document() {
  local name=$1
  shift
  local pdf="$work/pdf/$name.pdf"
  [ -f "$pdf" ] || { fail "$name: LibreOffice wrote no PDF"; return; }
  local before=$failures page=1 pages
  pages=$(pages_of "$pdf")
  [ "$pages" = "$#" ] || fail "$name: $pages pages for $# cards"
  for card in "$@"; do
    expect_card "$pdf" "$page" "$card"
    page=$((page + 1))
  done
  [ "$failures" -eq "$before" ] && echo "ok   $name: $pages page(s)"
}

for layout in "${layouts[@]}"; do
  expect_document "$layout-batch" "${expected_cards[@]}"
  expect_document "$layout-readme" "4710001 4710001234569 有機高山烏龍茶300g 烏龍茶 罐 \$320 \$350 \$299"
  expect_document "$layout-latin" "${expected_cards[1]}"
done
expect_document ean8 "P8 96385074 紅茶"
# The reader reports UPC-A in its EAN-13 form, with a leading zero.
expect_document upca "PA 0036000291452 咖啡"
expect_document wrong-digit "P13 - 烏龍茶 4711234567890"
[ -f "$work/pdf/query.rtf" ] &&
  expect_document query "Q1 4711234567899 烏龍茶 \$299" "Q2 96385074 紅茶 \$20"

# The program's own --pdf path, through to the barcode.
pdf=$(env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --layout A4 --no-open --pdf \
  --templates "$templates" --output "$work/cards" -- PP 4711234567899 烏龍茶 2>"$work/err")
status=$?
if [ "$status" -ne 0 ] || [ ! -f "$pdf" ]; then
  fail "--pdf: status $status: $(cat "$work/err")"
else
  mv "$pdf" "$work/pdf/own.pdf"
  expect_document own "PP 4711234567899 烏龍茶"
fi

finish card
