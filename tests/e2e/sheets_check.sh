#!/usr/bin/env bash
# Cards on label sheets, spreadsheets and printing, through LibreOffice: twelve SM1 products on
# "Avery A4 L7413" give two A4 pages with ten and two cards in reading order, each barcode read
# inside its own label; --first 4 moves them along; --outline draws every label's outline; an
# .xlsx, an .xls and an .ods file print the same cards as the CSV they were made from; and
# --print reaches a CUPS PDF printer of the test's own (run as root with cupsd installed).
# Usage: sheets_check.sh PATH/TO/vornreport
# Needs soffice (exit 77, skipped, without it), pdfinfo, pdftoppm, zbarimg and qpdf.
set -u
command -v soffice >/dev/null || { echo "soffice not found: sheet check skipped"; exit 77; }
program=$(realpath "$1")
. "$(dirname "$0")/check_lib.sh"
need_tools pdfinfo pdftoppm zbarimg qpdf
make_work sheets

cupsd_pid=""
on_exit '[ -n "$cupsd_pid" ] && kill "$cupsd_pid" 2>/dev/null && wait "$cupsd_pid" 2>/dev/null'
templates="$(dirname "$program")/VornSAMPLE"
mkdir -p "$work/cards"

# run NAME ARG... : prints with the program; the path it names is kept in $work/NAME.path.
run() {
  local name=$1
  shift
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open --templates "$templates" \
    --output "$work/cards" "$@" >"$work/$name.path" 2>"$work/$name.err"
  local status=$?
  [ "$status" -eq 0 ] || fail "$name: status $status: $(cat "$work/$name.err")"
}

# Twelve products with valid barcodes.
{
  echo "PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE"
  for i in $(seq 1 12); do
    body="471$(printf '%09d' "$((100000000 + i))")"
    sum=0
    for ((k = 0; k < 12; k++)); do
      d=${body:k:1}
      ((sum += k % 2 ? 3 * d : d))
    done
    echo "S$i,$body$(((10 - sum % 10) % 10)),商品 $i 號,簡$i,個,$((i * 10)),$((i * 11)),$((i * 9))"
  done
} >"$work/p12.csv"
codes=($(tail -n +2 "$work/p12.csv" | cut -d, -f2))

# label_codes PDF PAGE SLOT : what the reader finds inside label SLOT (0 is the top left) of
# an A4 L7413 page: labels of 90 x 50.8 mm, 15 mm from the left, 21.5 mm from the top, 2 across.
label_codes() {
  local pdf=$1 page=$2 slot=$3
  local column=$((slot % 2)) row=$((slot / 2))
  # Pixels at 300 dpi: millimetres x 300 / 25.4.
  local x=$(((1500 + column * 9000) * 300 / 2540)) y=$(((2150 + row * 5080) * 300 / 2540))
  local w=$((9000 * 300 / 2540)) h=$((5080 * 300 / 2540))
  pdftoppm -r 300 -png -f "$page" -l "$page" -x "$x" -y "$y" -W "$w" -H "$h" "$pdf" "$work/label"
  zbarimg --raw -q "$work"/label*.png 2>/dev/null | tr '\n' ' ' | sed 's/ $//'
  rm -f "$work"/label*.png
}

# expect_sheets NAME FIRST : the PDF holds the twelve cards from label FIRST on, in order.
expect_sheets() {
  local name=$1 first=$2
  local pdf
  pdf=$(cat "$work/$name.path")
  [ -f "$pdf" ] || { fail "$name: no PDF"; return; }
  local before=$failures
  local slots=$((first - 1 + 12))
  local pages=$(((slots + 9) / 10))
  [ "$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')" = "$pages" ] || fail "$name: not $pages pages"
  pdfinfo "$pdf" | grep -q "595.276 x 841.89 pts (A4)" || fail "$name: pages are not A4"
  for ((slot = 0; slot < pages * 10; slot++)); do
    local card=$((slot - first + 1)) expected=""
    ((card >= 0 && card < 12)) && expected=${codes[card]}
    local found
    found=$(label_codes "$pdf" $((slot / 10 + 1)) $((slot % 10)))
    [ "$found" = "$expected" ] || fail "$name: label $((slot + 1)) read '$found', expected '$expected'"
  done
  # The cards stay text: their names can be found on the sheets.
  pdftotext "$pdf" - | grep -q "商品 12 號" || fail "$name: the cards' text is gone"
  [ "$failures" -eq "$before" ] && echo "ok   $name: $pages sheet(s) from label $first"
}

run sheets --layout SM1 --csv "$work/p12.csv" --sheet "Avery A4 L7413"
expect_sheets sheets 1
run first4 --layout SM1 --csv "$work/p12.csv" --sheet "avery a4 l7413" --first 4 --outline
expect_sheets first4 4
# Every label of both sheets is outlined, used ones included.
outlines=$(qpdf --qdf --object-streams=disable "$(cat "$work/first4.path")" - | grep -c " re S Q$")
[ "$outlines" = 20 ] && echo "ok   outline: 20 label outlines" || fail "outline: $outlines outlines"
run unoutlined --layout SM1 --csv "$work/p12.csv" --sheet "Avery A4 L7413"
[ "$(qpdf --qdf --object-streams=disable "$(cat "$work/unoutlined.path")" - | grep -c " re S Q$")" = 0 ] ||
  fail "outline: drawn without --outline"

# A sheet used partly by one run goes on where it stopped in the next: seven cards from label 1,
# then five from label 8, two of them on a second sheet.
head -8 "$work/p12.csv" >"$work/first7.csv"
{ head -1 "$work/p12.csv"; tail -n +9 "$work/p12.csv"; } >"$work/last5.csv"
# (A history of their own: the runs above left the sheet elsewhere.)
XDG_DATA_HOME=$work/next-data run next1 --layout SM1 --csv "$work/first7.csv" \
  --sheet "Avery A4 L7413" --first next
XDG_DATA_HOME=$work/next-data run next2 --layout SM1 --csv "$work/last5.csv" \
  --sheet "Avery A4 L7413" --first next
next_pdf=$(cat "$work/next2.path")
if [ -f "$next_pdf" ]; then
  found="[$(label_codes "$next_pdf" 1 6)] $(label_codes "$next_pdf" 1 7) $(label_codes "$next_pdf" 1 8)"
  found+=" $(label_codes "$next_pdf" 1 9) $(label_codes "$next_pdf" 2 0) $(label_codes "$next_pdf" 2 1)"
  expected="[] ${codes[7]} ${codes[8]} ${codes[9]} ${codes[10]} ${codes[11]}"
  if [ "$found" = "$expected" ] && [ "$(pdfinfo "$next_pdf" | awk '/^Pages:/ { print $2 }')" = 2 ]; then
    echo "ok   --first next: the second run went on at label 8 and onto a second sheet"
  else
    fail "--first next: labels 7 to 12 read '$found', expected '$expected'"
  fi
else
  fail "--first next: no PDF"
fi

# A card larger than the labels is refused before anything is printed.
env -u DISPLAY "$program" --layout A4 --no-open --templates "$templates" --output "$work/cards" \
  --sheet "Avery A4 L7413" -- A1 >/dev/null 2>"$work/big.err"
grep -q "The card (210 x 297 mm) is larger than the labels of Avery A4 L7413 (90 x 50.8 mm)" \
  "$work/big.err" && echo "ok   too large: refused" || fail "too large: $(cat "$work/big.err")"

# Spreadsheets made from the CSV print the very same document, with the habits of a clerk's
# sheet: a note typed in a column without a header and empty rows left at the end.
run csv --layout SM2 --csv "$work/p12.csv"
{
  sed -n 1p "$work/p12.csv" | sed 's/$/,/'
  sed -n 2p "$work/p12.csv" | sed 's/$/,check this price/'
  tail -n +3 "$work/p12.csv" | sed 's/$/,/'
  printf ',,,,,,,,\n,,,,,,,,\n'
} >"$work/sheet.csv"
(cd "$work" && for format in xlsx xls ods; do
  soffice "-env:UserInstallation=file://$work/lo-profile" --headless --infilter=CSV:44,34,76,1 \
    --convert-to "$format" --outdir "$work" "$work/sheet.csv" >/dev/null 2>&1
done)
for format in xlsx xls ods; do
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open --templates "$templates" \
    --output "$work/cards" --layout SM2 --csv "$work/sheet.$format" >"$work/$format.path" \
    2>"$work/$format.err"
  status=$?
  notice="vornreport: warning: row 2: column 9 has no name in the header; its cells are ignored"
  if [ "$status" -ne 3 ] || [ "$(cat "$work/$format.err")" != "$notice" ]; then
    fail "$format: status $status, expected 3 and only the note column's notice: $(cat "$work/$format.err")"
  elif cmp -s "$(cat "$work/csv.path")" "$(cat "$work/$format.path")"; then
    echo "ok   $format: the same cards as the CSV, the note column named once, empty rows passed over"
  else
    fail "$format: cards differ from the CSV's"
  fi
done

# A CUPS of the test's own, listening on a socket in the work folder, with a PDF printer.
if [ "$(id -u)" -eq 0 ] && command -v cupsd >/dev/null && [ -x /usr/lib/cups/backend/cups-pdf ]; then
  cups=$work/cups
  # CUPS runs its filters as an unprivileged user, who must reach the folders.
  chmod 755 "$work"
  mkdir -p "$cups"/{spool,cache,state,log} && mkdir -m 1777 "$cups/tmp"
  cat >"$cups/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
  cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups
RequestRoot $cups/spool
CacheDir $cups/cache
StateDir $cups/state
TempDir $cups/tmp
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
PageLog $cups/log/page_log
Printcap $cups/printcap
CONF
  cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" &
  cupsd_pid=$!
  export CUPS_SERVER=$cups/cups.sock
  # A loaded machine may take a while to start the scheduler and to accept the printer.
  for _ in $(seq 150); do lpstat -r >/dev/null 2>&1 && break; sleep 0.2; done
  for _ in $(seq 30); do
    lpadmin -p vornpdf -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>"$work/lpadmin.err" &&
      lpstat -p vornpdf >/dev/null 2>&1 && break
    sleep 1
  done
  lpstat -p vornpdf >/dev/null 2>&1 || fail "print: no test printer: $(cat "$work/lpadmin.err")"
  # cups-pdf writes into the PDF folder of the job's user (Out in /etc/cups/cups-pdf.conf).
  out_dir=$(eval echo "$(awk '/^Out / { print $2 }' /etc/cups/cups-pdf.conf)")
  out_dir=${out_dir:-$HOME/PDF}
  before=$(ls "$out_dir" 2>/dev/null)
  run print --layout SM1 --csv "$work/p12.csv" --sheet "Avery A4 L7413" --print vornpdf
  grep -q "sent to vornpdf: request id is vornpdf-" "$work/print.err" ||
    fail "print: $(cat "$work/print.err")"
  printed=""
  for _ in $(seq 150); do
    printed=$(comm -13 <(echo "$before") <(ls "$out_dir" 2>/dev/null) | grep 'job_.*\.pdf$' | head -1)
    [ -n "$printed" ] && [ "$(lpstat -o vornpdf 2>/dev/null)" = "" ] && break
    sleep 0.2
  done
  if [ -z "$printed" ]; then
    fail "print: no PDF from the printer: $(tail -3 "$cups/log/error_log")"
  else
    pdftoppm -r 300 -png "$out_dir/$printed" "$work/printed"
    read_back=$(zbarimg --raw -q "$work"/printed*.png 2>/dev/null | sort | tr '\n' ' ')
    cp "$out_dir/$printed" "$work/printed.pdf"; rm -f "$out_dir/$printed"
    expected=$(printf '%s\n' "${codes[@]}" | sort | tr '\n' ' ')
    [ "$read_back" = "$expected" ] && echo "ok   print: the printer's PDF holds all twelve cards" ||
      fail "print: read '$read_back'"
  fi
else
  echo "skip print: needs root, cupsd and printer-driver-cups-pdf"
fi

finish sheet
