#!/usr/bin/env bash
# Draws the map page's icon pictures into data/carimage with ImageMagick (convert):
#   C-rv/car000.gif .. car315.gif   the vehicle, 32 px, nose turned to each heading suffix
#   POI/car000.gif .. car315.gif    a track position, 20 px, turned likewise
#   House/House1.gif .. House5.gif the five kinds of point of interest, 24 px
#   House/House.gif                 a point of an empty or unknown kind
# The pictures are committed; run this again only to change them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/data/carimage"
convert=${CONVERT:-convert}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A vehicle seen from above with its nose up, drawn at 128 px: body, windscreen, rear
# window, and a pointed nose so that the heading reads even when small.
# $1 body colour, $2 outline colour, $3 picture
vehicle() {
    "$convert" -size 128x128 xc:none \
        -fill "$1" -stroke "$2" -strokewidth 7 \
        -draw "path 'M 64,6 L 92,34 L 92,112 Q 92,122 82,122 L 46,122 Q 36,122 36,112 L 36,34 Z'" \
        -fill '#dff3ff' -stroke "$2" -strokewidth 4 \
        -draw "polygon 44,50 84,50 78,68 50,68" \
        -draw "polygon 48,104 80,104 82,114 46,114" \
        "$3"
}

# Turns a 128 px picture by $2 degrees clockwise and writes it at $3 px as a GIF whose
# transparency is on or off per pixel.
turned() {
    "$convert" "$1" -background none -rotate "$2" -gravity center -extent 128x128 \
        -filter Lanczos -resize "$3x$3" -channel A -threshold 45% +channel "$4"
}

# A house: roof, walls and a door. $1 wall colour, $2 roof colour, $3 picture
house() {
    "$convert" -size 96x96 xc:none \
        -fill "$2" -stroke '#202020' -strokewidth 5 -draw "polygon 48,6 90,46 6,46" \
        -fill "$1" -draw "rectangle 18,46 78,90" \
        -fill '#fff7e0' -strokewidth 4 -draw "rectangle 40,62 56,90" \
        -filter Lanczos -resize 24x24 -channel A -threshold 45% +channel "$3"
}

mkdir -p "$out/C-rv" "$out/POI" "$out/House"
vehicle '#e0301e' '#5a0a00' "$work/live.png"
vehicle '#1f6fd6' '#0a2a5a' "$work/track.png"
for heading in 000 045 090 135 180 225 270 315; do
    turned "$work/live.png" "$((10#$heading))" 32 "$out/C-rv/car$heading.gif"
    turned "$work/track.png" "$((10#$heading))" 20 "$out/POI/car$heading.gif"
done

house '#d83a2e' '#8a1c12' "$out/House/House1.gif"
house '#3aa655' '#1d6630' "$out/House/House2.gif"
house '#3b7bd8' '#1c3f80' "$out/House/House3.gif"
house '#f0a020' '#9a5c00' "$out/House/House4.gif"
house '#9b59c6' '#5a2a80' "$out/House/House5.gif"
house '#a0a0a0' '#505050' "$out/House/House.gif"
