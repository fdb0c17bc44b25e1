#!/usr/bin/env bash
# Runs the vornreport program without its dialog and checks exit statuses, messages
# and the card it writes; LibreOffice must read the card.
# Usage: vornreport_headless.sh PATH/TO/vornreport
set -u
program=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/vornreport-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The print history of the check's own runs stays in its folder.
export XDG_DATA_HOME=$work/data
failures=0

# run EXPECTED_STATUS ARGS... : runs the program with no window system and nothing to open.
run() {
  local expected=$1
  shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM VORN_OPEN_COMMAND=true \
    "$program" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "FAIL: status $status, expected $expected: $*" >&2
    sed 's/^/  stderr: /' "$work/err" >&2
    failures=$((failures + 1))
  fi
}

# expect_text FILE TEXT : FILE holds exactly TEXT (and a final newline).
expect_text() {
  if [ "$(cat "$1")" != "$2" ]; then
    echo "FAIL: $(basename "$1") is '$(cat "$1")', expected '$2'" >&2
    failures=$((failures + 1))
  fi
}

expect_contains() {
  if ! grep -qF -- "$2" "$1"; then
    echo "FAIL: $(basename "$1") lacks '$2': $(head -c 300 "$1")" >&2
    failures=$((failures + 1))
  fi
}

mkdir -p "$work/cards"
folders=(--templates "$(dirname "$program")/VornSAMPLE" --output "$work/cards")

run 0 --help
expect_contains "$work/out" "Usage: vornreport"
run 0 --version
expect_contains "$work/out" "vornreport "

run 2 --layout
expect_text "$work/err" $'vornreport: Missing value for option --layout\nTry \'vornreport --help\'.'
run 2 --layout B6 1
expect_contains "$work/err" "Unknown layout (use B5, A4, SM1, SM2 or OTHER): B6"
run 2 --no-open 1
expect_contains "$work/err" "Option --no-open needs --layout"
# Without a layout the dialog is wanted, and there is no display for it.
run 2 1 2 3
expect_contains "$work/err" "no display to show the dialog on"

# Values that look like Qt's own options must not reach Qt: after "--" the dialog still comes
# up (and is still running when the timeout ends it); without it they are unknown options.
# The SIGTERM that ends it once left the preview's folder and its renderer's in the temporary
# folder.
mkdir -m 700 "$work/tmp" "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen VORN_OPEN_COMMAND=true timeout 3 "$program" -- \
  -platform nowhere -style x >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 124 ] || { echo "FAIL: dialog with Qt-like values ended with $status" >&2; failures=$((failures + 1)); }
sleep 1  # the renderer ends with the program, a moment after it
if [ -n "$(ls -A "$work/tmp")" ]; then
  echo "FAIL: the dialog ended by SIGTERM left $(ls -A "$work/tmp" | tr '\n' ' ')" >&2
  failures=$((failures + 1))
fi
run 2 -platform nowhere
expect_contains "$work/err" "Unknown option: -platform"

run 1 --layout B5 --no-open "${folders[@]}"
expect_text "$work/err" "vornreport: Field '商品編號' must have a value"
run 1 --layout B5 --no-open "${folders[@]}" -- A1 471 茶 茶 盒 12x
expect_text "$work/err" "vornreport: '12x' is not a valid integer value for field '門市價'"
run 1 --layout B5 --no-open "${folders[@]}" -- A1 471 $'\xff\xfe'
expect_text "$work/err" "vornreport: Cannot convert field '商品名稱' to code page 950: invalid UTF-8 at byte 1"
run 1 --layout B5 --no-open --templates "$work/none" --output "$work/cards" A1
expect_text "$work/err" "vornreport: Can't read report template from file: $work/none/B5.rtf"
run 1 --layout B5 --no-open --templates "$(dirname "$program")/VornSAMPLE" --output "$work/none" A1
expect_text "$work/err" "vornreport: CreateFileName: directory $work/none does not exist"
[ -z "$(ls "$work/cards")" ] || { echo "FAIL: a failed run left a card" >&2; failures=$((failures + 1)); }

# A whole card, values that look like options included, read back by LibreOffice.
run 0 --layout SM1 --no-open "${folders[@]}" -- A0012345 4710088412348 烏龍茶 茶 --盒 350 399 299
card=$(cat "$work/out")
case "$card" in
  "$work/cards/cu"*.doc) ;;
  *) echo "FAIL: unexpected card path '$card'" >&2; failures=$((failures + 1)) ;;
esac
if [ -f "$card" ]; then
  if command -v soffice >/dev/null; then
    (cd "$work" && soffice --headless "-env:UserInstallation=file://$work/lo-profile" \
      --convert-to txt:Text --outdir "$work/txt" "$card" >/dev/null 2>&1)
    text="$work/txt/$(basename "${card%.doc}").txt"
    if [ -f "$text" ]; then
      for expected in 門市價 會員價 烏龍茶 --盒 350 399 299 A0012345 4710088412348; do
        expect_contains "$text" "$expected"
      done
    else
      echo "FAIL: LibreOffice could not read $card" >&2
      failures=$((failures + 1))
    fi
  fi
else
  echo "FAIL: no card written" >&2
  failures=$((failures + 1))
fi

# Opening a card goes through the desktop opener; one that fails is a report error.
env -u DISPLAY VORN_OPEN_COMMAND=false "$program" --layout A4 "${folders[@]}" A1 \
  >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || { echo "FAIL: failing opener gave status $status" >&2; failures=$((failures + 1)); }
expect_contains "$work/err" "vornreport: Failed to open report results. Error message: "

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all headless checks passed"
