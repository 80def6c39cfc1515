#!/usr/bin/env bash
# Installs, from Debian's packages, whatever of VORNE's build and test dependencies is missing.
# With the argument "--qt 6" (or VORNE_QT=6 in the environment) the Qt 6 packages are installed as well.
set -euo pipefail

qt="${VORNE_QT:-5}"
if [[ "${1:-}" == "--qt" ]]; then qt="${2:?--qt needs 5 or 6}"; fi

packages=(
  cmake ninja-build g++ ccache pkg-config git
  qtbase5-dev qttools5-dev-tools libqt5charts5-dev
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev
  libpng-dev libtiff-dev libtbb-dev zlib1g-dev nlohmann-json3-dev libpugixml-dev libstb-dev libxxhash-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth
  librsvg2-bin
)
if [[ "$qt" == 6 ]]; then
  packages+=(qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev libgl-dev)
fi

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
