#!/usr/bin/env bash
# Draws the POI editor's thirteen toolbar pictures into data/images/Tool/ from the GNOME
# Adwaita symbolic icons (CC-BY-SA 3.0 or LGPL 3): each is rasterised at 24 x 24 pixels
# and recoloured. Needs the Debian packages adwaita-icon-theme, librsvg2-bin and
# imagemagick; run it again only to change the pictures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source_dir=/usr/share/icons/Adwaita/scalable/actions
target_dir="$root/data/images/Tool"
mkdir -p "$target_dir"

# picture name, Adwaita icon, colour
while read -r name icon colour; do
    rsvg-convert -w 24 -h 24 "$source_dir/$icon-symbolic.svg" |
        convert - -fill "$colour" -colorize 100% -strip "PNG32:$target_dir/$name.png"
done <<'ICONS'
NewRec document-new #2e7d32
AmendmentRec document-edit #1565c0
DelRec edit-delete #c62828
CancelRec edit-undo #ef6c00
WriteRec document-save #1565c0
Search system-search #37474f
FirstRec go-first #37474f
ReplyRec go-previous #37474f
NextRec go-next #37474f
LastRec go-last #37474f
Refresh view-refresh #2e7d32
Print document-print #37474f
Exit application-exit #c62828
ICONS
