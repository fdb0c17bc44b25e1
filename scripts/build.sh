#!/usr/bin/env bash
# Configures and builds into build/ (or $VORN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${VORN_BUILD_DIR:-build}
launcher=()
# A compiler cache makes a rebuild after a pull take seconds instead of minutes.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
