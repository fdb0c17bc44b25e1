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
# Errors: exit 1 with the report's message; usage errors exit 2.
if "$vornfill" --data "A=$data/nowhere.csv" "$data/card.rtf" "$work/x.rtf" 2>"$work/err"; then
  echo "a missing data file succeeded" >&2; status=1
fi
grep -q "nowhere.csv" "$work/err" || { echo "error does not name the file" >&2; status=1; }
set +e
"$vornfill" onlyone >/dev/null 2>&1; [ $? -eq 2 ] || { echo "usage error is not exit 2" >&2; status=1; }
printf 'N\n\xe2\x82\xac\xf0\x9f\x98\x80\n' > "$work/bad.csv"
"$vornfill" --charset 136 --data "A=$work/bad.csv" "$data/card.rtf" "$work/y.rtf" 2>"$work/err2"
[ $? -eq 1 ] || { echo "unconvertible text is not exit 1" >&2; status=1; }
[ ! -e "$work/y.rtf" ] || { echo "a failed run left its output" >&2; status=1; }
set -e
[ $status -eq 0 ] && echo "vornfill e2e: all values present"
exit $status
