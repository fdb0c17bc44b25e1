#!/usr/bin/env bash
# Installs what is needed, checks the code layout, builds, and runs every test: the whole suite
# (with the LibreOffice end-to-end tests), then the unit tests again under the sanitizers, then a
# replay of the fuzz corpora with a short fuzzing run of each target.
#
#   scripts/run-tests.sh [--quick]     (--quick: the whole suite only, no sanitizers, no fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
[ "${1:-}" = "--quick" ] && quick=1
bash scripts/install-deps.sh
echo "== code layout (clang-format, .clang-format)" >&2
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
bash scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
[ "$quick" = 1 ] && exit 0

echo "== unit tests under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer" >&2
bash scripts/run-sanitizers.sh
echo "== fuzz corpora replay and a short run of each fuzz target" >&2
BUILD_DIR="$PWD/build-gates" bash scripts/fuzz-replay.sh 15
