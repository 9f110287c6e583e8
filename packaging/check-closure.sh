#!/usr/bin/env bash
# Checks the package's dependency closure as a clean system would install it: apt plans the
# install with --no-install-recommends against an empty package database, and every shared
# object the programs load (their libraries, the Qt platform plug-in and the GStreamer
# plug-ins the media layer builds graphs from, with their own libraries) must come from a
# package in that plan. Exit 77 when apt cannot plan here.
#   check-closure.sh PACKAGE.deb ROOT   (ROOT: the package unpacked)
set -euo pipefail
deb="$1" root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
: >"$work/status"
if ! apt-get -s -q -o Dir::State::status="$work/status" -o APT::Install-Recommends=false \
    install "$(realpath "$deb")" >"$work/plan" 2>"$work/apt-errors"; then
    cat "$work/apt-errors" >&2
    echo "apt cannot plan the install here: skipped"
    exit 77
fi
awk '/^Inst /{print $2}' "$work/plan" | sed 's/:.*//' | sort -u >"$work/closure"

multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)"
gst="/usr/lib/$multiarch/gstreamer-1.0"
loaded=("$root"/usr/bin/* "$root"/usr/lib/quillan/* "/usr/lib/$multiarch/qt6/plugins/platforms/libqxcb.so")
for plugin in coreelements typefindfunctions wavparse aiff auparse audioparsers mpg123 libav \
    playback audioconvert audioresample asf isomp4 mpegpsdemux midi fluidsynthmidi; do
    loaded+=("$gst/libgst$plugin.so")
done

# The packages of the plug-ins and of every library the loaded objects need, on this system.
: >"$work/needed"
for object in "${loaded[@]}"; do
    [ -e "$object" ] || { echo "FAIL: $object is missing on this system" >&2; exit 1; }
    case "$object" in "$root"/*) ;; *) echo "$object" >>"$work/files" ;; esac
    ldd "$object" | awk '$3 ~ /^\//{print $3}' >>"$work/files"
done
missing=0
while read -r file; do
    real="$(realpath "$file")"
    owner="$(dpkg -S "$real" 2>/dev/null || dpkg -S "$file" 2>/dev/null || true)"
    [ -n "$owner" ] || { echo "FAIL: no package owns $file" >&2; missing=1; continue; }
    package="${owner%%:*}"
    package="${package%%,*}"
    if ! grep -qx "$package" "$work/closure"; then
        echo "FAIL: $file ($package) is not installed with the package" >&2
        missing=1
    fi
done < <(sort -u "$work/files")
[ "$missing" -eq 0 ] || exit 1
echo "ok: $(wc -l <"$work/closure") packages bring all $(sort -u "$work/files" | wc -l) shared objects"
