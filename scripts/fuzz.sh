#!/usr/bin/env bash
# Fuzzes every target for a given time each, keeping the growing work corpus outside the
# repository, then merges what it found into a minimal set.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Environment: BUILD_DIR (default build-fuzz, configured with clang and -DVORN_FUZZ=ON when
# missing; NO_BUILD=1 runs the fuzzers found in BUILD_DIR/fuzz as they are), WORK_DIR (default ${XDG_CACHE_HOME:-~/.cache}/vorn-fuzz), JOBS (libFuzzer -fork
# workers, default 1). Crashes land in WORK_DIR/artifacts/<target>/; the script exits 1 when
# there is any. Copy a minimised crash into fuzz/corpus/<target>/ to keep it as a
# regression case.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-3600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(template expr fragment image)
build=${BUILD_DIR:-$repo/build-fuzz}
work=${WORK_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vorn-fuzz}
jobs=${JOBS:-1}

# shellcheck source=fuzz-targets.sh
source "$repo/scripts/fuzz-targets.sh"
[ "${NO_BUILD:-0}" = 1 ] || build_fuzzers

found=0
for t in "${targets[@]}"; do
  [ -n "${max_len[$t]:-}" ] || { echo "unknown target: $t" >&2; exit 2; }
  corpus=$work/corpus/$t
  artifacts=$work/artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  fork=()
  [ "$jobs" -gt 1 ] && fork=(-fork="$jobs" -ignore_crashes=1)
  echo "== fuzz_$t for ${seconds}s"
  # The template files of the runs go to a scratch folder of their own; TMPDIR keeps any
  # temporary file of the engine out of /tmp.
  (cd "$work" && TMPDIR=$work ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_$t" "${fork[@]}" \
      "$corpus" "$repo/fuzz/corpus/$t" \
      -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout="${timeout[$t]}" \
      -rss_limit_mb=2048 -dict="$repo/fuzz/${dict[$t]}" -artifact_prefix="$artifacts/" \
      -print_final_stats=1) 2>&1 | tee "$work/fuzz_$t.log" | grep -E '^#[0-9]+ +(DONE|pulse)|stat::|ERROR|invariant' || true
  # Keep the work corpus small: only inputs that add coverage survive.
  merged=$work/corpus/$t.merged
  rm -rf "$merged" && mkdir -p "$merged"
  (cd "$work" && "$build/fuzz/fuzz_$t" -merge=1 "$merged" "$corpus" -max_len="${max_len[$t]}" \
      -timeout="${timeout[$t]}" -rss_limit_mb=2048 >/dev/null 2>&1) && {
    rm -rf "$corpus" && mv "$merged" "$corpus"
  }
  if compgen -G "$artifacts/*" >/dev/null; then
    echo "fuzz_$t: findings in $artifacts" >&2
    found=1
  fi
done
exit $found
