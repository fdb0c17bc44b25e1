#!/usr/bin/env bash
# The fuzzing gate of every change: replays each target's corpus in fuzz/corpus (seeds and
# every minimised finding), then fuzzes each target briefly from there, about a minute in all.
#
#   scripts/fuzz-replay.sh [SECONDS_PER_TARGET]    (default 15)
#
# Environment: BUILD_DIR (default build-fuzz; configured with clang and -DVORN_FUZZ=ON when
# missing). Exits 1 when a replayed input or the short run breaks an invariant; the input is
# then in $WORK/artifacts/<target>/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
build=${BUILD_DIR:-$repo/build-fuzz}
work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-fuzz-replay.XXXXXX")

# shellcheck source=fuzz-targets.sh
source "$repo/scripts/fuzz-targets.sh"
build_fuzzers

failed=0
for t in template expr fragment image; do
  fuzzer=$build/fuzz/fuzz_$t
  mkdir -p "$work/corpus/$t" "$work/artifacts/$t"
  common=(-max_len="${max_len[$t]}" -timeout="${timeout[$t]}" -rss_limit_mb=2048
          -artifact_prefix="$work/artifacts/$t/")
  echo "== fuzz_$t: replaying fuzz/corpus/$t"
  if ! (cd "$work" && TMPDIR=$work "$fuzzer" -runs=0 "${common[@]}" "$repo/fuzz/corpus/$t" \
        >"$work/replay_$t.log" 2>&1); then
    echo "fuzz_$t: a corpus input breaks an invariant" >&2
    tail -n 30 "$work/replay_$t.log" >&2
    failed=1
    continue
  fi
  echo "== fuzz_$t: fuzzing for ${seconds}s"
  if ! (cd "$work" && TMPDIR=$work "$fuzzer" "${common[@]}" -max_total_time="$seconds" \
        -dict="$repo/fuzz/${dict[$t]}" -print_final_stats=1 \
        "$work/corpus/$t" "$repo/fuzz/corpus/$t" >"$work/fuzz_$t.log" 2>&1); then
    echo "fuzz_$t: new finding in $work/artifacts/$t" >&2
    tail -n 30 "$work/fuzz_$t.log" >&2
    failed=1
    continue
  fi
  grep -E 'stat::number_of_executed_units' "$work/fuzz_$t.log" || true
done
[ "$failed" = 0 ] && rm -rf "$work"
exit $failed
