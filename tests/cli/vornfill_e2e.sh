#!/usr/bin/env bash
# vornfill end to end: fill a card from a UTF-8 CSV with Chinese text, convert the result
# with LibreOffice and check that every value shows, decoded, in its format.
set -euo pipefail
vornfill=$1
data=$(cd "$(dirname "$0")/data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$vornfill" --charset 136 --lang 1028 --data "A=$data/products.csv" \
  --var "TITLE=門市" --num RATE=0.5 "$data/card.rtf" "$work/card.rtf"
timeout 120 soffice --headless "-env:UserInstallation=file://$work/profile" \
  --convert-to txt:Text --outdir "$work" "$work/card.rtf" >/dev/null 2>&1
text=$(cat "$work/card.txt")
status=0
for want in "有機高山烏龍茶 300g" "No. 4710001 / 4710001234567" "1234.50 per 罐" \
            "Grouped 1,234.50 marked 1234-50 member \$299.00" \
            "Fresh True sold 2004-03-05 by 門市 rate 0.5" 'Missing \A:NOPE\ end'; do
  if ! grep -qF -- "$want" <<<"$text"; then
    echo "missing in LibreOffice text: $want" >&2
    status=1
  fi
done
# Standard output carries the same document, written as it is made: through a pipe, a run of
# many cards stays small (it once held the document twice in memory).
"$vornfill" --charset 136 --lang 1028 --data "A=$data/products.csv" \
  --var "TITLE=門市" --num RATE=0.5 "$data/card.rtf" - | cat >"$work/piped.rtf"
cmp -s "$work/card.rtf" "$work/piped.rtf" || { echo "standard output differs from the file" >&2; status=1; }
# 20,000 cards of about 1 KB each: 20 MB of document against a few MB of program.
{
  echo "NAME"
  for ((i = 0; i < 20000; ++i)); do echo "有機高山烏龍茶 300g"; done
} >"$work/many.csv"
printf '{\\rtf1 \\\\SCAN(A)\\\\%s \\\\A:NAME\\\\\\par \\\\ENDSCAN\\\\}' \
  "$(printf 'x%.0s' $(seq 1000))" >"$work/many.rtf"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -o "$work/peak" -f "%M" "$vornfill" --charset 136 --data "A=$work/many.csv" \
    "$work/many.rtf" - | wc -c >"$work/bytes"
  peak_kb=$(cat "$work/peak")
  bytes=$(cat "$work/bytes")
  if [ "$bytes" -lt 20000000 ] || [ "$peak_kb" -gt $((bytes / 2048)) ]; then
    echo "standard output held the document: peak ${peak_kb} KB for $bytes bytes" >&2
    status=1
  fi
fi
# Errors: exit 1 with the report's message; usage errors exit 2.
if "$vornfill" --data "A=$data/nowhere.csv" "$data/card.rtf" "$work/x.rtf" 2>"$work/err"; then
  echo "a missing data file succeeded" >&2; status=1
fi
grep -q "nowhere.csv" "$work/err" || { echo "error does not name the file" >&2; status=1; }
set +e
"$vornfill" onlyone >/dev/null 2>&1; [ $? -eq 2 ] || { echo "usage error is not exit 2" >&2; status=1; }
# Text that is no UTF-8 stops the run and leaves nothing behind. (A character the code page
# lacks, such as the emoji below, used to be refused too; it now reaches the card.)
printf 'N\n\xa4\xa4\xff\n' > "$work/bad.csv"
"$vornfill" --charset 136 --data "A=$work/bad.csv" "$data/card.rtf" "$work/y.rtf" 2>"$work/err2"
[ $? -eq 1 ] || { echo "text that is no UTF-8 is not exit 1" >&2; status=1; }
[ ! -e "$work/y.rtf" ] || { echo "a failed run left its output" >&2; status=1; }
set -e

# OUTPUT that is no regular file is written into, never renamed over: a FIFO once became a
# regular file its reader never saw (exit 0), and as root /dev/full became a regular file.
fill() { timeout 60 "$vornfill" --charset 136 --lang 1028 --data "A=$data/products.csv" \
  --var "TITLE=門市" --num RATE=0.5 "$data/card.rtf" "$@"; }
mkfifo "$work/fifo"
timeout 60 cat "$work/fifo" >"$work/from-fifo.rtf" &
reader=$!
fill "$work/fifo" ||
  { echo "writing into a FIFO failed" >&2; status=1; }
wait $reader || true
cmp -s "$work/card.rtf" "$work/from-fifo.rtf" || { echo "the FIFO's reader lacks the document" >&2; status=1; }
[ -p "$work/fifo" ] || { echo "the FIFO was replaced" >&2; status=1; }
# A reader that stops early is an error, not a signal that ends the run unheard.
timeout 60 head -c 10 "$work/fifo" >/dev/null &
reader=$!
set +e
timeout 60 "$vornfill" --charset 136 --data "A=$work/many.csv" "$work/many.rtf" "$work/fifo" \
  2>"$work/err-pipe"
[ $? -eq 1 ] && grep -q "Can't write $work/fifo: Broken pipe" "$work/err-pipe" ||
  { echo "a FIFO closed early is not exit 1 with its reason: $(cat "$work/err-pipe")" >&2; status=1; }
wait $reader
# As root a device node of our own stands for /dev/full, which a fault would replace.
full=/dev/full
if [ "$(id -u)" -eq 0 ]; then
  full="$work/full"
  mknod "$full" c 1 7 2>/dev/null || full=""
fi
if [ -n "$full" ]; then
  fill "$full" 2>"$work/err-full"
  [ $? -eq 1 ] && grep -q "Can't write $full: No space left on device" "$work/err-full" ||
    { echo "a full device is not exit 1 with its reason: $(cat "$work/err-full")" >&2; status=1; }
  [ -c "$full" ] || { echo "the device was replaced" >&2; status=1; }
fi
fill "$work" 2>"$work/err-dir"
[ $? -eq 1 ] && grep -q "Output is a folder: $work" "$work/err-dir" ||
  { echo "a folder as output is not refused" >&2; status=1; }
fill --open - >/dev/null 2>&1
[ $? -eq 2 ] || { echo "--open with standard output is not a usage error" >&2; status=1; }
set -e
# A link keeps pointing where it did, and the file it names is replaced whole.
echo old >"$work/target.rtf"
ln -s target.rtf "$work/link.rtf"
fill "$work/link.rtf" || status=1
[ -L "$work/link.rtf" ] && cmp -s "$work/card.rtf" "$work/target.rtf" ||
  { echo "a link to a file was not written through" >&2; status=1; }
# A note in a column without a name is passed over with a warning; empty rows are skipped.
printf 'NAME,,\nTea,,see me\n,,\n,,\n' >"$work/note.csv"
printf '{\\rtf1 \\\\SCAN(A)\\\\[\\\\A:NAME\\\\]\\\\ENDSCAN\\\\}' >"$work/names.rtf"
"$vornfill" --data "A=$work/note.csv" "$work/names.rtf" - >"$work/names-out.rtf" \
  2>"$work/err-note" || status=1
grep -qF "Tea]}" "$work/names-out.rtf" && [ "$(grep -o '\[' "$work/names-out.rtf" | wc -l)" -eq 1 ] ||
  { echo "empty rows were not skipped: $(cat "$work/names-out.rtf")" >&2; status=1; }
grep -qF "vornfill: warning: $work/note.csv:2: column 3 has no name in the header; its cells are ignored" \
  "$work/err-note" || { echo "no warning for the unnamed column: $(cat "$work/err-note")" >&2; status=1; }

# lo FILE: the text LibreOffice reads from the RTF file FILE.
lo() {
  timeout 120 soffice --headless "-env:UserInstallation=file://$work/profile" \
    --convert-to txt:Text --outdir "$work" "$1" >/dev/null 2>&1
  cat "${1%.rtf}.txt"
}
expect() {  # expect WHAT TEXT WANT...
  local what=$1 text=$2
  shift 2
  for want in "$@"; do
    grep -qF -- "$want" <<<"$text" || { echo "missing in $what: $want" >&2; status=1; }
  done
}

# A Big5 card with characters Big5 lacks, from a CSV in Big5 and from one in UTF-16.
printf 'PROD_ID,PROD_NAME\n1,Caf\xc3\xa9 \xe6\x8b\xbf\xe9\x90\xb5 \xc2\xae \xe2\x82\xac\xf0\x9f\x98\x80\n' \
  > "$work/mixed.csv"
"$vornfill" --charset 136 --lang 1028 --data "A=$work/mixed.csv" "$data/card.rtf" "$work/mixed.rtf"
expect "a Big5 card" "$(lo "$work/mixed.rtf")" "Café 拿鐵 ® €😀"
printf 'PROD_ID,PROD_NAME\n2,\xae\xb3\xc5\x4b\n' > "$work/big5.csv"
{ printf '\xff\xfe'; printf 'PROD_ID,PROD_NAME\n3,峯 ①\n' | iconv -f UTF-8 -t UTF-16LE; } \
  > "$work/utf16.csv"
"$vornfill" --charset 136 --data-encoding cp950 --data "A=$work/big5.csv" \
  --data "B=$work/utf16.csv" "$data/card.rtf" "$work/big5.rtf"
"$vornfill" --charset 136 --data "A=$work/utf16.csv" "$data/card.rtf" "$work/utf16.rtf"
expect "a card from Big5 data" "$(lo "$work/big5.rtf")" "拿鐵"
expect "a card from UTF-16 data" "$(lo "$work/utf16.rtf")" "峯 ①"
if "$vornfill" --data "A=$work/big5.csv" "$data/card.rtf" "$work/z.rtf" 2>"$work/err3"; then
  echo "Big5 data without --data-encoding succeeded" >&2; status=1
fi
grep -q "name the file's encoding" "$work/err3" || { echo "no hint at --data-encoding" >&2; status=1; }

# Without --charset the fonts keep their character sets: Western, Japanese and Greek text of
# the template and a Cyrillic fragment read as written, and so do values of any script.
"$vornfill" --data "A=$data/names.csv" "$data/languages.rtf" "$work/languages.rtf"
expect "a template of many languages" "$(lo "$work/languages.rtf")" \
  "Western: Café crème brûlée" "Japanese: 日本語" "Greek: αβγ" "Привет мир" \
  "Name: é ® ™ ½ ① 峯 温 堃 😀 山田太郎 Привет end" "JP name: é ® ™ ½ ① 峯 温 堃 😀 山田太郎 Привет end"

[ $status -eq 0 ] && echo "vornfill e2e: all values present"
exit $status
