#!/usr/bin/env bash
# Installs, from Debian's packages, whatever of VORNE's build and test dependencies is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config git
  qtbase5-dev qttools5-dev-tools libqt5charts5-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  libpng-dev libtiff-dev libtbb-dev zlib1g-dev nlohmann-json3-dev libpugixml-dev libstb-dev libxxhash-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth
  librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
