#!/usr/bin/env bash
# The program's renderer (LibreOffice in a process of the program's own), as an attacker and an
# unlucky user would try it: a profile planted at the old fixed name in the temporary folder is
# never touched (neither read nor written: its access times stay), and the run leaves the
# temporary folder as it found it; a refused --first does no work at all; two batches at once
# both succeed; kill -9 and SIGTERM during a batch leave no process of ours, no PDF, no temporary
# file and nothing in the temporary folder; output folders named with ; % # blanks and CJK
# work; a renderer killed in the middle of a batch is replaced and the batch completes.
# Usage: renderer_check.sh PATH/TO/vornreport
# Needs soffice (exit 77, skipped, without it), pdfinfo and python3.
set -u
command -v soffice >/dev/null || { echo "soffice not found: renderer check skipped"; exit 77; }
program=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/check_lib.sh"
need_tools pdfinfo pdffonts python3
make_work renderer

templates="$(dirname "$program")/VornSAMPLE"
# The program's temporary folder is one of its own, apart from the check's files.
tmp="$work/tmp"
mkdir -p "$tmp" "$work/check"
export TMPDIR=$tmp
python3 "$root/bench/batch/gen_products.py" 40 "$work/check/p40.csv"
python3 "$root/bench/batch/gen_products.py" 1000 "$work/check/p1000.csv"

# run OUTPUT NAME ARG... : prints into OUTPUT; status in $work/check/NAME.status, the path it
# names in NAME.path, its messages in NAME.err.
run() {
  local output=$1 name=$2
  shift 2
  mkdir -p "$output"
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open --templates "$templates" \
    --output "$output" "$@" >"$work/check/$name.path" 2>"$work/check/$name.err"
  echo $? >"$work/check/$name.status"
}

# expect_pages NAME PAGES : the run made a PDF of PAGES pages, and nothing but its cards and
# PDFs (no lock or temporary file of LibreOffice's) stands beside it.
expect_pages() {
  local name=$1 pages=$2 status pdf extra
  status=$(cat "$work/check/$name.status")
  pdf=$(cat "$work/check/$name.path")
  extra=$(cd "$(dirname "$pdf")" && ls -A | grep -v '^cu[0-9A-F]*\.\(doc\|pdf\)$')
  if [ "$status" != 0 ]; then
    fail "$name: status $status: $(cat "$work/check/$name.err")"
  elif [ "$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')" != "$pages" ]; then
    fail "$name: $pdf has not $pages pages"
  elif [ -n "$extra" ]; then
    fail "$name: beside the PDF: $extra"
  else
    echo "ok   $name: $pages page(s)"
  fi
}

# Renderers and LibreOffice processes started by a run of this check: their temporary folder
# is a private one inside the check's.
our_processes() {
  local pid
  for pid in $(pgrep -f 'vornrender|soffice'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -q "^TMPDIR=$tmp/" && echo "$pid"
  done
}

# Files with their sizes and times, read and written; folders by name only, since listing them
# is reading them.
listing() {
  (cd "$tmp" && { find . -type f -printf '%p %s %T@ %A@\n'; find . -type d; } | sort)
}

# The old fixed profile name, planted as another user could: a profile whose files were last
# read long before they were written, so any read moves its access time.
planted="$tmp/vornreport-office-$(id -u)"
mkdir -p "$planted/user/basic/Standard"
echo '<oor:items>planted start-up macro</oor:items>' >"$planted/user/registrymodifications.xcu"
echo 'Sub Main : Shell("touch '"$work"'/check/macro-ran") : End Sub' \
  >"$planted/user/basic/Standard/Module1.xba"
find "$planted" -exec touch -a -d 2000-01-01 {} +
before=$(listing)

run "$work/one" single --layout SM1 --pdf -- A1 4710088410108 綠茶 茶 瓶 30 25 20
expect_pages single 1
run "$work/sheet" sheet --layout SM1 --csv "$work/check/p40.csv" --sheet "Avery A4 L7413"
expect_pages sheet 4
# A spreadsheet, read by a LibreOffice of the program's, under the same rules.
TMPDIR=$work/check soffice "-env:UserInstallation=file://$work/check/lo-profile" --headless \
  --infilter=CSV:44,34,76,1 --convert-to ods --outdir "$work/check" "$work/check/p40.csv" \
  >/dev/null 2>&1
run "$work/ods" ods --layout SM2 --csv "$work/check/p40.ods" --pdf
expect_pages ods 40
[ -z "$(cd "$work/check" && ls -A | grep '^\.~lock')" ] || fail "ods: a lock file beside the data"
[ "$(listing)" = "$before" ] || fail "the runs changed the temporary folder: $(diff <(echo "$before") <(listing))"
[ -e "$work/check/macro-ran" ] && fail "the planted profile's macro ran"

# --first beyond the sheet is refused before any card is written or LibreOffice starts.
run "$work/refused" first --layout SM1 --sheet "Avery A4 L7413" --first 11 -- A1
[ "$(cat "$work/check/first.status")" = 1 ] || fail "--first 11: status $(cat "$work/check/first.status")"
grep -q "The first label must be from 1 to 10" "$work/check/first.err" || fail "--first 11: $(cat "$work/check/first.err")"
[ -z "$(ls -A "$work/refused")" ] || fail "--first 11 left $(ls -A "$work/refused")"

# Two batches at once, each with renderers of its own.
run "$work/twin1" twin1 --layout SM1 --csv "$work/check/p1000.csv" --pdf &
run "$work/twin2" twin2 --layout SM2 --csv "$work/check/p40.csv" --pdf &
wait
expect_pages twin1 1000
expect_pages twin2 40

# A batch ended by a signal in the middle of its PDF: nothing of it stays. After kill -9 the
# renderers end by themselves; what the program itself had in the temporary folder goes with
# the next run.
for signal in KILL TERM; do
  before_failures=$failures
  mkdir -p "$work/$signal"
  env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open --templates "$templates" \
    --output "$work/$signal" --layout SM1 --csv "$work/check/p1000.csv" --pdf \
    >/dev/null 2>"$work/check/$signal.err" &
  pid=$!
  for ((i = 0; i < 200; i++)); do
    [ -n "$(pgrep -P "$pid" -f vornrender)" ] && break
    sleep 0.05
  done
  sleep 1
  kill -s "$signal" "$pid"
  wait "$pid" 2>/dev/null  # the shell would report the kill
  status=$?
  for ((i = 0; i < 100; i++)); do
    [ -z "$(our_processes)" ] && break
    sleep 0.05
  done
  [ -z "$(our_processes)" ] || fail "kill -$signal: processes left: $(our_processes | xargs ps -o pid,args -p)"
  # The card waits in a private folder until its PDF is made: not even kill -9 leaves it.
  [ -z "$(ls -A "$work/$signal")" ] || fail "kill -$signal: left in the output folder: $(ls -A "$work/$signal")"
  if [ "$signal" = TERM ]; then
    [ "$status" = 143 ] || fail "kill -TERM: status $status: $(cat "$work/check/$signal.err")"
  fi
  if [ "$signal" = KILL ]; then
    run "$work/next" next --layout SM1 --pdf -- A1
    rm -rf "$work/next"
  fi
  [ "$(listing)" = "$before" ] || fail "kill -$signal: the temporary folder changed: $(diff <(echo "$before") <(listing))"
  [ "$failures" = "$before_failures" ] && echo "ok   kill -$signal during a batch (status $status): nothing left"
done

# A spreadsheet being read when SIGTERM comes: LibreOffice goes, and so does the socket it keeps
# in /tmp whatever TMPDIR says.
python3 -c '
import sys
print("PROD_ID,PROD_BARCODE,PROD_NAME,PROD_SNAME,UNITNAME,PSALE_PRICE,SALE_PRICE,VIP_PRICE")
for i in range(30000): print(f"S{i},,name {i},n,u,{i % 900 + 1},1,1")' >"$work/check/big.csv"
TMPDIR=$work/check soffice "-env:UserInstallation=file://$work/check/lo-profile" --headless \
  --infilter=CSV:44,34,76,1 --convert-to ods --outdir "$work/check" "$work/check/big.csv" \
  >/dev/null 2>&1
started=$(date +%s)
mkdir -p "$work/ods-term"
env -u DISPLAY "$program" --no-open --templates "$templates" --output "$work/ods-term" \
  --layout SM1 --csv "$work/check/big.ods" >/dev/null 2>"$work/check/ods-term.err" &
pid=$!
for ((i = 0; i < 200; i++)); do
  [ -n "$(our_processes)" ] && break
  sleep 0.05
done
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
sleep 0.5
dead_sockets=$(python3 -c '
import glob, os, socket, sys
for path in glob.glob("/tmp/OSL_PIPE_%d_SingleOfficeIPC_*" % os.geteuid()):
    try:
        if os.lstat(path).st_mtime < int(sys.argv[1]) - 1: continue
        probe = socket.socket(socket.AF_UNIX); probe.connect(path); probe.close()
    except ConnectionRefusedError: print(path)
    except OSError: pass' "$started")
if [ "$status" != 143 ] || [ -n "$(our_processes)" ] || [ -n "$dead_sockets" ] ||
  [ -n "$(ls -A "$work/ods-term")" ] || [ "$(listing)" != "$before" ]; then
  fail "SIGTERM while reading a spreadsheet: status $status, processes '$(our_processes)'," \
    "sockets '$dead_sockets', output '$(ls -A "$work/ods-term")', $(diff <(echo "$before") <(listing))"
else
  echo "ok   kill -TERM while reading a spreadsheet: nothing left"
fi

# Emoji print in black and white even where a colour emoji font is installed: the renderer keeps
# colour fonts out, whose glyphs LibreOffice writes into a PDF without outlines.
run "$work/emoji" emoji --layout SM1 --pdf -- E1 4710088410108 "綠茶😀🍵" 茶 瓶 30 25 20
emoji_pdf=$(cat "$work/check/emoji.path" 2>/dev/null)
if [ -f "$emoji_pdf" ] && pdffonts "$emoji_pdf" | grep -q Symbola &&
  ! pdffonts "$emoji_pdf" | grep -qi color; then
  echo "ok   emoji: drawn from a black and white face"
else
  fail "emoji: $(pdffonts "$emoji_pdf" 2>&1 | tail -n +3 | awk '{ print $1 }' | tr '\n' ' ')"
fi

# Output folders whose names a URL or a command line could break.
odd="$work/out ;%#20 卡片 x"
run "$odd" odd_single --layout SM2 --pdf -- A1 4710088410108 綠茶 茶 瓶 30 25 20
expect_pages odd_single 1
run "$odd" odd_sheet --layout SM1 --csv "$work/check/p40.csv" --sheet "Avery A4 L7413" --first 3
expect_pages odd_sheet 5
# The renderer's own folder, and LibreOffice's temporary files, under such a name.
odd_tmp="$work/tmp ;%#41 暫存"
mkdir -p "$odd_tmp"
TMPDIR=$odd_tmp run "$work/odd-tmp-out" odd_tmp --layout SM2 --pdf -- A1 4710088410108 綠茶
expect_pages odd_tmp 1
[ -z "$(ls -A "$odd_tmp")" ] || fail "odd_tmp: left $(ls -A "$odd_tmp")"

# A renderer killed while it converts a part is replaced, and the batch completes.
mkdir -p "$work/restart"
VORN_PDF_JOBS=2 env -u DISPLAY VORN_OPEN_COMMAND=true "$program" --no-open \
  --templates "$templates" --output "$work/restart" --layout SM1 --csv "$work/check/p1000.csv" \
  --pdf >"$work/check/restart.path" 2>"$work/check/restart.err" &
pid=$!
victim=""
for ((i = 0; i < 200; i++)); do
  victim=$(pgrep -P "$pid" -f vornrender | head -1)
  [ -n "$victim" ] && break
  sleep 0.05
done
sleep 1.5
[ -n "$victim" ] && kill -KILL "$victim"
wait "$pid"
echo $? >"$work/check/restart.status"
[ -n "$victim" ] || fail "restart: no renderer was seen"
expect_pages restart 1000

# A full disk, under the output folder or under the temporary folder: a clear message naming
# the file, and nothing half written (needs root to mount a small file system).
if [ "$(id -u)" -eq 0 ] && mkdir -p "$work/full" && mount -t tmpfs -o size=16k tmpfs "$work/full"; then
  on_exit "umount '$work/full'"
  before_failures=$failures
  run "$work/full" full --layout SM1 --pdf -- A1 4710088410108 綠茶 茶 瓶 30 25 20
  grep -q "^vornreport: Can't write file $work/full/cu[0-9A-F]*\.pdf: No space left on device" \
    "$work/check/full.err" || fail "full output: $(cat "$work/check/full.err")"
  [ -z "$(ls -A "$work/full")" ] || fail "full output: left $(ls -A "$work/full")"
  # 16 KiB free: enough for LibreOffice to start, not for the PDF.
  mkdir -p "$work/full-tmp"
  mount -t tmpfs -o size=64k tmpfs "$work/full-tmp" && on_exit "umount '$work/full-tmp'"
  head -c 49152 /dev/zero >"$work/full-tmp/filler"
  TMPDIR=$work/full-tmp run "$work/out-full-tmp" full_tmp --layout SM1 --pdf -- A1
  grep -q "no space left in the temporary folder $work/full-tmp" "$work/check/full_tmp.err" ||
    fail "full temporary folder: $(cat "$work/check/full_tmp.err")"
  [ "$(ls -A "$work/full-tmp")" = filler ] && [ -z "$(ls -A "$work/out-full-tmp")" ] ||
    fail "full temporary folder: left $(ls -A "$work/full-tmp" "$work/out-full-tmp")"
  [ "$failures" = "$before_failures" ] &&
    echo "ok   full disk: refused with the file named, nothing left"
fi

[ "$(listing)" = "$before" ] || fail "the temporary folder changed: $(diff <(echo "$before") <(listing))"
finish renderer
