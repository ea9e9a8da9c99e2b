#!/usr/bin/env bash
# Renders the application icon packaging/icons/gps-tracking-station.svg into the hicolor
# sizes that the package installs (packaging/icons/gps-tracking-station-N.png). Needs the
# Debian package librsvg2-bin; the pictures are committed, run this again only to change them.
set -euo pipefail
icons="$(cd "$(dirname "$0")/.." && pwd)/packaging/icons"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$icons/gps-tracking-station.svg" \
        -o "$icons/gps-tracking-station-$size.png"
done
