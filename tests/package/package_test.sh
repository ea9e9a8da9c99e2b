#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, starts the installed station
# under a virtual display with a fresh home, upgrades it to a higher version and removes
# it again. Needs root and changes the machine's packages, so it runs only when
# STATION_PACKAGE_TEST=1 (CI sets it); otherwise it reports itself skipped (77).
set -euo pipefail
[ "${STATION_PACKAGE_TEST:-}" = 1 ] || { echo "STATION_PACKAGE_TEST is not 1: skipped"; exit 77; }
[ "$(id -u)" = 0 ] || { echo "The package test installs packages and needs root." >&2; exit 1; }
root=$(cd "$(dirname "$0")/../.." && pwd)
package=gps-tracking-station
scratch=$(mktemp -d)
server="" manager="" station=""
finish() {
    [ -n "$station" ] && kill "$station" 2>/dev/null
    [ -n "$manager" ] && kill "$manager" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    dpkg -s "$package" >/dev/null 2>&1 && dpkg --purge "$package" >/dev/null
    rm -rf "$scratch"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

build_package() {
    local deb
    deb=$(STATION_PACKAGE_VERSION="$1" "$root/scripts/package" | tail -n 1)
    [ -f "$deb" ] || fail "scripts/package printed no package: $deb"
    echo "$deb"
}
install_package() {
    dpkg -i "$1" >/dev/null 2>&1 || apt-get -o DPkg::Lock::Timeout=600 -f install -y -qq >/dev/null
    [ "$(dpkg-query -W -f='${Version}' "$package")" = "$2" ] || fail "version $2 is not installed"
}

version=$(sed -n 's/^project(TrackingStation VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
step "package $version"
deb=$(build_package "$version")
ls -l "$deb"

step "package checks"
lintian --fail-on error,warning --suppress-tags-from-file "$root/tests/package/lintian-kept.txt" "$deb" ||
    fail "lintian found errors or warnings that are not kept on purpose"
work="$scratch/contents"
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$work"/usr/share/metainfo/*.xml || fail "appstreamcli validate"
grep -qx 'Name=GPS Tracking Station (demo)' "$work"/usr/share/applications/*Demo.desktop ||
    fail "no demo entry"

step "install"
install_package "$deb" "$version"

# A fresh user on a display of their own, under a window manager.
home="$scratch/home"
mkdir -m 700 "$home" "$scratch/runtime"
export HOME="$home" XDG_RUNTIME_DIR="$scratch/runtime" QTWEBENGINE_DISABLE_SANDBOX=1 LC_ALL=C.UTF-8
unset STATION_HOME XDG_DATA_HOME QT_QPA_PLATFORM
# Xvfb chooses a free display and writes its number once it accepts clients.
Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp 5>"$scratch/display" 2>/dev/null &
server=$!
for _ in $(seq 120); do [ -s "$scratch/display" ] && break; sleep 0.5; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$scratch/display")"
export DISPLAY
openbox >/dev/null 2>&1 &
manager=$!
for _ in $(seq 120); do wmctrl -m 2>/dev/null | grep -q Openbox && break; sleep 0.5; done
folder="$home/.local/share/$package"
data=/usr/share/$package

# Starts a program and waits until the station's main window shows.
start() {
    "$@" > "$scratch/station.out" 2>&1 &
    station=$!
    for _ in $(seq 240); do
        wmctrl -l | grep -q "GPS Tracking Station V" && return 0
        kill -0 "$station" 2>/dev/null || { cat "$scratch/station.out"; fail "$1 ended early"; }
        sleep 0.5
    done
    cat "$scratch/station.out"
    fail "$1 showed no main window"
}
# Closes the main window as the operator would and waits for the program to end; the
# splash, when it is still up, takes the first close.
stop() {
    for _ in $(seq 30); do
        kill -0 "$station" 2>/dev/null || break
        wmctrl -c "GPS Tracking Station V" 2>/dev/null || true
        sleep 2
    done
    kill -0 "$station" 2>/dev/null && fail "the station did not end when its window was closed"
    wait "$station" || true
    station=""
}
same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }

step "first start fills the user's folder"
start gps-tracking-station
[ -f "$folder/.station.lock" ] || fail "no program folder at $folder"
while read -r kind path target; do
    case $kind in
        file) same "$folder/$path" "$data/$path" ;;
        link) [ "$(readlink "$folder/$path")" = "$target" ] || fail "link $path" ;;
    esac
done < "$data/program-files.txt"
grep -qx "version $version" "$folder/.program-files" || fail "no version stamp"
[ -e /usr/bin/Language.ini ] && fail "the program wrote beside its executable"
stop
grep -q '^Track=' "$folder/vendrel.ini" || fail "the window placement was not stored"

step "second start keeps the user's files"
mkdir -p "$folder/export"
echo "2026/12/07 10:00:00,E,121.5,N,25.0,0,0,A" > "$folder/export/History-2026-12.log"
printf '\n; my own note\n' >> "$folder/Language.ini"
rm "$folder/carimage/map.css"
cp "$folder/vendrel.ini" "$scratch/vendrel.before"
start gps-tracking-station
stop
grep -q '; my own note' "$folder/Language.ini" || fail "the user's change of Language.ini was lost"
[ -f "$folder/carimage/map.css" ] && fail "a start of the same version touched the program files"
[ -s "$folder/export/History-2026-12.log" ] || fail "the history log was lost"

step "upgrade to a higher version"
higher="$version.1"
install_package "$(build_package "$higher")" "$higher"
start gps-tracking-station
stop
grep -qx "version $higher" "$folder/.program-files" || fail "the stamp was not refreshed"
same "$folder/carimage/map.css" "$data/carimage/map.css"
grep -q '; my own note' "$folder/Language.ini" || fail "the upgrade lost the user's Language.ini"
[ -s "$folder/export/History-2026-12.log" ] || fail "the upgrade lost the history log"
grep -q '^Track=' "$folder/vendrel.ini" || fail "the upgrade lost the settings"

step "demo"
start gps-tracking-station-demo
demo="$home/.local/share/$package-demo"
grep -qx "COM1=$demo/gps-receiver" "$demo/vendrel.ini" || fail "COM1 is not the simulator"
[ -c "$(readlink -f "$demo/gps-receiver")" ] || fail "the simulator made no device"
same "$demo/demo/demo-drive.nmea" "$data/demo/demo-drive.nmea"
stop
[ -e "$folder/gps-receiver" ] && fail "the demo wrote into the user's own folder"

step "remove leaves the user's folder"
dpkg -r "$package" >/dev/null
[ -e /usr/bin/gps-tracking-station ] && fail "the program is still installed"
[ -s "$folder/export/History-2026-12.log" ] && [ -f "$folder/vendrel.ini" ] ||
    fail "removing the package touched the user's folder"
echo "package test passed"
