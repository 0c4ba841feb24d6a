#!/usr/bin/env bash
# Installs everything Corvane needs to build, run and test on Debian 12.
# Idempotent: when every package is already present it does nothing and prints nothing.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev libx11-dev
  xvfb xauth xdotool x11-utils imagemagick xdg-utils
  fonts-ipafont-gothic
  clang libclang-rt-14-dev  # the fuzz preset: clang and libFuzzer
  openbox                 # a real window manager for the end-to-end tests
  qt6-translations-l10n   # Qt's own Japanese texts (qtbase_ja.qm) for dialogs and buttons
  desktop-file-utils appstream librsvg2-bin dpkg-dev groff-base  # install checks: launcher, metadata, icons, package, manual pages
  lintian                 # install checks: the Debian package as a distribution checks it
  shared-mime-info        # install checks: the scene files' type (update-mime-database)
  libavcodec-dev libavformat-dev libavutil-dev  # corvane-cli record: H.264 in MP4
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
