#!/usr/bin/env bash
# Installs what is needed, builds, and prints a price card for a sample product:
# with a display the dialog opens; without one the card is written headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
VORN_TARGETS=vornreport bash scripts/build.sh
sample=(4710001 4710001234569 "有機高山烏龍茶 300g" "烏龍茶" "罐" 320 350 299)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/vornreport "${sample[@]}"
fi
build/app/vornreport --layout A4 --no-open "${sample[@]}"
