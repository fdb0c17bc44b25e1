#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run and test.
# Idempotent: does nothing when all are present.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n fonts-arphic-uming xvfb xauth
  fonts-noto-cjk fonts-liberation2 fonts-symbola
  libjpeg62-turbo-dev libpng-dev libzint-dev libsqlite3-dev libqpdf-dev
  libreoffice-writer-nogui libreoffice-calc-nogui libreofficekit-dev poppler-utils zbar-tools qpdf
  cups cups-client printer-driver-cups-pdf
  clang libclang-rt-14-dev clang-format git
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
