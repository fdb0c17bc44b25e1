#!/bin/bash
# Fills every document of the corpus of real RTF documents as a template and merges it as a
# fragment (FRTF) into a template of ours without text of its own, then has LibreOffice turn
# the original and both results into text and compares them. Trailing blanks of each line
# and trailing blank lines are ignored, nothing else. Documents listed in the corpus's
# SKIP.txt ("NAME<TAB>template|fragment|both<TAB>reason") are not compared that way.
#   tests/e2e/real_documents_check.sh path/to/vornfill [CORPUS_DIR]
# Exit status 77 (a skip for CTest) without soffice, or when vornfill does not keep the fonts'
# own character sets by default.
set -euo pipefail

vornfill="$(realpath "${1:?usage: real_documents_check.sh VORNFILL [CORPUS_DIR]}")"
corpus="$(realpath "${2:-$(dirname "$0")/../data_files/real}")"
command -v soffice >/dev/null || { echo "soffice not found: skipped"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/txt" "$work/data"

# The documents read as their writers meant only while each font keeps its character set.
printf '{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}}x}' >"$work/data/probe.rtf"
"$vornfill" "$work/data/probe.rtf" "$work/data/probe.out.rtf"
if ! grep -q 'fcharset204' "$work/data/probe.out.rtf"; then
  echo "vornfill gives every font one character set: skipped"
  exit 77
fi

# The host has tables of every kind, so merging renumbers the fragment's entries.
cat >"$work/data/host.rtf" <<'RTF'
{\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;}{\f1\fswiss\fcharset0 Arial;}}
{\colortbl;\red0\green128\blue0;\red10\green20\blue30;}
{\stylesheet{\s0 Normal;}{\s1\sbasedon0 Host heading;}{\*\cs10 Host emphasis;}}
{\*\listtable{\list\listtemplateid7{\listlevel\levelnfc23\levelstartat1{\leveltext\'01\u8226 ?;}{\levelnumbers;}\f1\fi-360\li720}\listid77}}
{\*\listoverridetable{\listoverride\listid77\listoverridecount0\ls1}}
\pard\plain \\FRTF(A:FRAG)\\}
RTF

skipped_for() {  # name, kind: the reason when the corpus skips that comparison
  awk -F'\t' -v n="$1" -v k="$2" '$1 == n && ($2 == k || $2 == "both") {print $3; exit}' \
    "$corpus/SKIP.txt"
}

failures=0
declare -a names
while IFS= read -r -d '' file; do
  name="${file#"$corpus"/}"
  flat="${name//\//__}"
  flat="${flat%.*}"
  names+=("$name")
  cp "$file" "$work/in/orig__$flat.rtf"
  if ! "$vornfill" "$file" "$work/in/tpl__$flat.rtf" 2>"$work/err"; then
    if [ -z "$(skipped_for "$name" template)" ]; then
      echo "FAIL $name: filling it as a template failed: $(head -c 300 "$work/err")"
      failures=$((failures + 1))
    fi
  fi
  rm -f "$work/data/frag.rtf"
  cp "$file" "$work/data/frag.rtf"
  printf 'FRAG:blob\n@frag.rtf\n' >"$work/data/frag.csv"
  if ! "$vornfill" --data A="$work/data/frag.csv" "$work/data/host.rtf" \
    "$work/in/frag__$flat.rtf" 2>"$work/err"; then
    if [ -z "$(skipped_for "$name" fragment)" ]; then
      echo "FAIL $name: merging it as a fragment failed: $(head -c 300 "$work/err")"
      failures=$((failures + 1))
    fi
  fi
done < <(find "$corpus" -name '*.rtf' -print0 | sort -z)

# A Word 97 host keeps its fonts twice, the second table for Unicode readers, who take it
# instead of the first: fragments in other code pages are merged into such a host as well, and
# must read the same, so their fonts have to reach both tables.
printf '%s\n' '{\rtf1\ansi\ansicpg1252\deff0{\upr{\fonttbl{\f0\froman\fcharset0 Times New Roman;}}' \
  '{\*\ud{\fonttbl{\f0\froman\fcharset0 Times New Roman;}}}}\pard\plain \\FRTF(A:FRAG)\\}' \
  >"$work/data/twin_host.rtf"
for name in rtfpipe/Issue34.rtf striprtf-r/chinese-sas.rtf; do
  flat="${name//\//__}"
  cp "$corpus/$name" "$work/data/frag.rtf"
  "$vornfill" --data A="$work/data/frag.csv" "$work/data/twin_host.rtf" \
    "$work/in/twin__${flat%.*}.rtf" 2>"$work/err" ||
    { echo "FAIL $name: merging it into a Word 97 host failed: $(head -c 300 "$work/err")"; failures=$((failures + 1)); }
done

# Many files per LibreOffice, with a profile of its own so that one running elsewhere cannot
# lock it out. A file that makes it fail costs its batch a second pass, one file at a time.
to_text() {  # files...
  (cd "$work/in" && timeout 300 soffice -env:UserInstallation="file://$work/profile" --headless \
    --convert-to 'txt:Text (encoded):UTF8' --outdir "$work/txt" "$@" >>"$work/soffice.log" 2>&1)
}
mapfile -t inputs < <(cd "$work/in" && ls -- *.rtf)
for ((i = 0; i < ${#inputs[@]}; i += 60)); do
  batch=("${inputs[@]:i:60}")
  to_text "${batch[@]}" || true
  for input in "${batch[@]}"; do
    [ -e "$work/txt/${input%.rtf}.txt" ] || to_text "$input" || true
  done
done

normal() {  # a text file without trailing blanks and trailing blank lines
  sed -e 's/[[:space:]]*$//' "$1" | sed -e ':a' -e '/^\n*$/{$d;N;ba' -e '}'
}

checked=0
skipped=0
for name in "${names[@]}"; do
  flat="${name//\//__}"
  flat="${flat%.*}"
  original="$work/txt/orig__$flat.txt"
  if [ ! -s "$original" ] && [ ! -e "$original" ]; then
    if [ -z "$(skipped_for "$name" both)" ]; then
      echo "FAIL $name: LibreOffice did not read the original; list it in SKIP.txt"
      failures=$((failures + 1))
    fi
    continue
  fi
  for kind in tpl frag twin; do
    label=template
    [ "$kind" != tpl ] && label=fragment
    [ "$kind" = twin ] && [ ! -e "$work/in/twin__$flat.rtf" ] && continue
    if [ -n "$(skipped_for "$name" "$label")" ]; then
      skipped=$((skipped + 1))
      continue
    fi
    result="$work/txt/${kind}__$flat.txt"
    if [ ! -e "$result" ]; then
      echo "FAIL $name: LibreOffice did not read the filled $label"
      failures=$((failures + 1))
      continue
    fi
    if ! diff <(normal "$original") <(normal "$result") >"$work/diff"; then
      echo "FAIL $name as a $label: its text differs"
      head -n 8 "$work/diff" | sed 's/^/    /'
      failures=$((failures + 1))
    fi
    checked=$((checked + 1))
  done
done
echo "$checked comparisons of ${#names[@]} documents, $skipped left out (SKIP.txt), $failures failures"
[ "$failures" -eq 0 ]
