#!/usr/bin/env bash
# Prints hard products on every layout, alone and as a batch, lets LibreOffice lay them out as
# PDF and reads every page back: one page per card (page i is product i), the product's name,
# number and prices in the page's text, and its barcode, rendered at 300 dpi, decoded by a
# barcode reader to the product's own digits. A product that can make no correct card is left
# out with a warning (exit status 3); a wrong check digit prints the card without a symbol.
# Promotions before, during and after their period on the day the cards hang, unit prices and
# QR codes are read back the same way; a promotion that cannot be right prints the regular card.
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
# a wrong check digit, an EAN-13 whose leading 0 a spreadsheet dropped, a price with cents, and
# seven-digit prices under a name of full size.
cat >"$work/hard.csv" <<'CSV'
PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE
H1,4710088410108,有機高山烏龍茶家庭號超值組合包經典原味綠茶禮盒裝大,高山烏龍茶家庭號組合,公斤裝禮盒,999999,888888,777777
H2,4711234567899,ORGANIC HIGH MOUNTAIN OOLONG TEA FAMILY PACK 600ML,OOLONG TEA FAMILY PK,BOTTLE 6PK,"123,456",NT$99999,$1280
H3,96385074,有機高山烏龍茶飲料600ml 家庭號超值組合包 12入,烏龍茶,瓶,45.00,50,39
H4,,綠茶,茶,瓶,,,
H5,4710088410109,紅茶拿鐵,紅茶,杯,55,60,50
H6,490000289114,WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW,MMMMMMMMMMMMMMMMMMMM,WWWWWWWWWW,1,2,3
H7,4006381333931,麥茶,茶,包,45.50,40,38
H8,4710088410108,百萬元黃金高山烏龍茶家庭號超值組合包經典原味禮盒裝,黃金禮盒,盒,9999999,1000000,9999999
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
  "H8 4710088410108 百萬元黃金高山烏龍茶家庭號超值組合包經典原味禮盒裝 黃金禮盒 \$9,999,999 \$1,000,000"
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
# The cards hang on 2026-12-10. D1 runs from 12/01 to 12/24; B1 starts after that day and A1
# ended before it, so both print their regular cards; D2 runs without a first day and its member
# price is below the promotion price; M1 is a promotion of seven digits. Unit prices by weight,
# by volume (a multipack among them) and by count, rounded half up (51 / 12 is 4.25); QR codes
# with an address and with Chinese text.
cat >"$work/promo.csv" <<'CSV'
PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE,PROMO_PRICE,PROMO_START,PROMO_END,NET_CONTENT,QR
D1,4710088410108,有機高山烏龍茶,烏龍茶,罐,320,350,299,249,2026-12-01,2026-12-24,300g,https://shop.example/p/4710088410108?from=shelf
B1,4711234567899,冷泡烏龍茶,烏龍茶,組,120,130,110,99,2026/12/20,2026/12/31,6x330ml,冷泡烏龍茶 https://shop.example/p/B1
A1,96385074,紅茶包,紅茶,盒,51,65,45,45,20261101,20261205,12入,
D2,4006381333931,大麥茶,麥茶,瓶,75,80,55,59,,115/12/24,1.5L,
M1,4711234567899,黃金烏龍茶禮盒,禮盒,盒,9999999,,,8888888,2026-12-01,2026-12-24,2kg,
CSV
# Product i of the promotion batch: number|barcode|QR text|texts the page shows|texts it must
# not show (blanks removed).
promo_cards=(
  "D1|4710088410108|https://shop.example/p/4710088410108?from=shelf|特價 \$249 原價 \$320 12/01 12/24 每100g\$83.0|門市價 建議售價 會員價"
  "B1|4711234567899|冷泡烏龍茶 https://shop.example/p/B1|門市價 \$120 每100ml\$6.1|特價 原價 \$99 12/20 12/31"
  "A1|96385074||門市價 \$51 每入\$4.3|特價 原價 12/05"
  "D2|4006381333931||特價至12/24 \$59 原價 \$75 會員價 \$55 每100ml\$3.9|門市價 建議售價"
  "M1|4711234567899||特價 \$8,888,888 原價 \$9,999,999 12/01 12/24 每100g\$444,444.4|門市價"
)
# Promotions that cannot be right print regular cards: X1 ends before it starts, X2 is not below
# the store price.
cat >"$work/bad-promo.csv" <<'CSV'
PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE,PROMO_PRICE,PROMO_START,PROMO_END
X1,4710088410108,烏龍茶,茶,瓶,30,35,28,25,2026-12-24,2026-12-01
X2,96385074,紅茶,茶,瓶,30,35,28,30,,2026-12-24
CSV
for layout in "${layouts[@]}"; do
  print "$layout-promo" 0 "$layout" --date 2026-12-10 --csv "$work/promo.csv"
done
layout=${layouts[0]}
print bad-promo 3 "$layout" --date 2026-12-10 --csv "$work/bad-promo.csv"
grep -q "line 2, product X1: 促銷價: printed without the promotion: the promotion ends" \
  "$work/bad-promo.err" || fail "bad-promo: no warning for X1: $(cat "$work/bad-promo.err")"
grep -q "line 3, product X2: 促銷價: printed without the promotion: the promotion price 30 is not below" \
  "$work/bad-promo.err" || fail "bad-promo: no warning for X2: $(cat "$work/bad-promo.err")"
# The last day still shows the promotion; the options of a single card.
print promo-last-day 0 "$layout" --date 2026-12-24 --promo 199 --promo-to 2026-12-24 \
  --content 600ml --qr "烏龍茶 600ml" -- P1 4710088410108 烏龍茶 茶 瓶 250 260 230
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
# expect_one_line PDF N TEXT... : every price among the texts ("$...") stands on one line of
# the page, not wrapped inside the number.
expect_one_line() {
  local pdf=$1 page=$2 lines part
  shift 2
  lines=$(pdftotext -f "$page" -l "$page" "$pdf" - 2>/dev/null | tr -d ' \f')
  for part in "$@"; do
    [[ "$part" == *'$'* ]] || continue
    grep -qF -- "$part" <<<"$lines" || fail "$(basename "$pdf") page $page: '$part' not on one line"
  done
}
# page_symbols PDF N : the symbols the reader finds on the page, rendered at 300 dpi, one a line.
page_symbols() {
  pdftoppm -r 300 -gray -f "$2" -l "$2" "$1" "$work/page" || return
  # The reader's stderr only carries its desktop-bus noise; a missing code shows as a mismatch.
  zbarimg --raw -q "$work"/page*.pgm 2>/dev/null | LC_ALL=C sort
  rm -f "$work"/page*.pgm
}
# page_codes PDF N : the same, space-separated.
page_codes() { page_symbols "$1" "$2" | tr '\n' ' ' | sed 's/ $//'; }

# expect_card PDF N "NUMBER CODE TEXT..." : page N shows the product.
expect_card() {
  local pdf=$1 page=$2
  read -r -a want <<<"$3"
  local text codes
  text=$(page_text "$pdf" "$page")
  for part in "${want[0]}" "${want[@]:2}"; do
    [[ "$text" == *"$part"* ]] || fail "$(basename "$pdf") page $page: no '$part' in '$text'"
  done
  expect_one_line "$pdf" "$page" "${want[@]:2}"
  codes=$(page_codes "$pdf" "$page")
  local expected=${want[1]}
  [ "$expected" = "-" ] && expected=""
  [ "$codes" = "$expected" ] || fail "$(basename "$pdf") page $page: read '$codes', expected '$expected'"
}

# check_document NAME CHECK "CARD" ... : the document has exactly these cards, one a page, and
# the command CHECK PDF N CARD passes for each.
check_document() {
  local name=$1 check=$2
  shift 2
  local pdf="$work/pdf/$name.pdf"
  [ -f "$pdf" ] || { fail "$name: LibreOffice wrote no PDF"; return; }
  local before=$failures page=1 pages
  pages=$(pages_of "$pdf")
  [ "$pages" = "$#" ] || fail "$name: $pages pages for $# cards"
  for card in "$@"; do
    $check "$pdf" "$page" "$card"
    page=$((page + 1))
  done
  [ "$failures" -eq "$before" ] && echo "ok   $name: $pages page(s)"
}
expect_document() {
  local name=$1
  shift
  check_document "$name" expect_card "$@"
}

# prints_qr LAYOUT : whether the layout prints the product's QR code.
prints_qr() { [[ " B5 A4 OTHER " == *" $1 "* ]]; }

# expect_promo LAYOUT PDF N "NUMBER|BARCODE|QR|SHOWN...|NOT SHOWN..." : page N shows the product
# with every text of SHOWN and none of NOT SHOWN, and the reader finds exactly its barcode and,
# on a layout that prints one, its QR code with the same text.
expect_promo() {
  local layout=$1 pdf=$2 page=$3 number barcode qr shown hidden text codes expected part
  IFS='|' read -r number barcode qr shown hidden <<<"$4"
  text=$(page_text "$pdf" "$page")
  for part in "$number" $shown; do
    [[ "$text" == *"$part"* ]] || fail "$(basename "$pdf") page $page: no '$part' in '$text'"
  done
  for part in $hidden; do
    [[ "$text" != *"$part"* ]] || fail "$(basename "$pdf") page $page: '$part' in '$text'"
  done
  expect_one_line "$pdf" "$page" $shown
  codes=$(page_symbols "$pdf" "$page")
  expected=$barcode
  [ -n "$qr" ] && prints_qr "$layout" && expected=$(printf '%s\n%s\n' "$barcode" "$qr" | LC_ALL=C sort)
  [ "$codes" = "$expected" ] || fail "$(basename "$pdf") page $page: read '$codes', expected '$expected'"
}

for layout in "${layouts[@]}"; do
  check_document "$layout-promo" "expect_promo $layout" "${promo_cards[@]}"
done
check_document bad-promo "expect_promo ${layouts[0]}" "X1|4710088410108||門市價 \$30|特價 原價" \
  "X2|96385074||門市價 \$30|特價 原價"
check_document promo-last-day "expect_promo ${layouts[0]}" \
  "P1|4710088410108|烏龍茶 600ml|特價至12/24 \$199 原價 \$250 每100ml\$33.2|門市價"

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
