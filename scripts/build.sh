#!/usr/bin/env bash
# Configures and builds into build/ (or $VORN_BUILD_DIR): every target, or only the targets
# named in $VORN_TARGETS (for example "vornreport", what printing a card needs). Arguments are
# passed to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${VORN_BUILD_DIR:-build}
launcher=()
# A compiler cache makes a rebuild after a pull take seconds instead of minutes.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${VORN_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
