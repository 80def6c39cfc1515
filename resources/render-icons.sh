#!/usr/bin/env bash
# Renders the icon sources in resources/svg/ to the PNG files of the resource bundle. The PNGs are kept in
# the repository, so this is only needed after an SVG changed. Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
render() { rsvg-convert --width "$2" --height "$2" --keep-aspect-ratio "svg/$1.svg" -o "$1.png"; }
render vorne-icon 256
render vorne-small150-icon 150
for icon in add-icon check-icon error-icon warning-icon reload-icon ostrel-icon; do
  render "$icon" 64
done
