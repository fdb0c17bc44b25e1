# Shared by the end-to-end checks: sourced, not run.
#   need_tools TOOL...   fails the check when a tool is missing (they come from install-deps.sh)
#   make_work NAME       a private folder in $work, removed on exit unless KEEP_WORK is set; it
#                        becomes TMPDIR, so nothing the program leaves there goes unseen, and
#                        holds the print history (XDG_DATA_HOME), so the user's stays untouched
#   fail TEXT...         reports one failed check and counts it in $failures
#   finish WHAT          the check's summary and exit status
#   on_exit COMMAND      runs before the work folder is removed

failures=0
work=""
exit_commands=""

need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool not found (scripts/install-deps.sh)" >&2; exit 1; }
  done
}

make_work() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/vornreport-$1.XXXXXX")
  trap 'eval "$exit_commands"; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
  export TMPDIR=$work
  export XDG_DATA_HOME=$work/data
}

on_exit() { exit_commands+="$1;"; }

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures $1 check(s) failed" >&2
    exit 1
  fi
  echo "all $1 checks passed"
}
