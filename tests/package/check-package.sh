#!/usr/bin/env bash
# Builds quillan_<version>_amd64.deb in $QUILLAN_RELEASE_TREE and checks it. Exit 77: skipped.
set -euo pipefail
tree="${QUILLAN_RELEASE_TREE:-}"
if [ -z "$tree" ] || [ ! -f "$tree/CPackConfig.cmake" ]; then
    echo "no release tree (QUILLAN_RELEASE_TREE): skipped"
    exit 77
fi
version="${QUILLAN_VERSION:?}"
deb="$tree/quillan_${version}_amd64.deb"
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -f "$deb"
(cd "$tree" && cpack -G DEB >/dev/null) || fail "cpack failed"
[ -f "$deb" ] || fail "no $deb"

# The files.
files="$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')"
for f in /usr/bin/quillan /usr/bin/quillan-batch /usr/lib/quillan/quillan-batch-media \
    /usr/share/applications/quillan.desktop \
    /usr/share/icons/hicolor/scalable/apps/quillan.svg \
    /usr/share/icons/hicolor/128x128/apps/quillan.png \
    /usr/share/man/man1/quillan.1.gz /usr/share/man/man1/quillan-batch.1.gz \
    /usr/share/bash-completion/completions/quillan-batch \
    /usr/share/doc/quillan/copyright /usr/share/doc/quillan/changelog.gz; do
    grep -qx "$f" <<<"$files" || fail "$f is not in the package"
done
# Nothing of the build or the tests, no sanitizer runtime.
if grep -E 'test_|bench|/include/|\.a$|quillan-manual' <<<"$files"; then fail "stray files"; fi

# The control data.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillan ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
depends="$(field Depends)"
for d in libqt6widgets6 libgstreamer1.0-0 libebur128-1 gstreamer1.0-plugins-base \
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly \
    gstreamer1.0-libav; do
    grep -q "\b$d\b" <<<"$depends" || fail "Depends lacks $d: $depends"
done
if grep -q 'libasan\|libubsan' <<<"$depends"; then fail "sanitizer runtime in Depends"; fi
grep -q 'MimeType=.*audio/x-wav' <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/quillan.desktop) ||
    fail "the desktop entry names no WAV type"

# The programs as installed: --version says the package's version; the manual opens.
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
[ "$("$root/usr/bin/quillan-batch" --version)" = "quillan-batch $version" ] ||
    fail "--version: $("$root/usr/bin/quillan-batch" --version)"
grep -qF 'skip\-existing' <(zcat "$root/usr/share/man/man1/quillan-batch.1.gz") ||
    fail "the manual lacks --skip-existing"
# The window answers --version with no display; its page lists the modes, not the batch options.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/quillan" --version)" = "quillan $version" ] ||
    fail "quillan --version without a display"
window_page="$(zcat "$root/usr/share/man/man1/quillan.1.gz")"
grep -qF 'RMS(Average)' <<<"$window_page" || fail "the window's page lists no modes"
if grep -qF 'shard' <<<"$window_page"; then fail "the window's page lists batch options"; fi

# Hardened and stripped: immediate binding, fortified calls, no .comment section.
for program in "$root/usr/bin/quillan" "$root/usr/bin/quillan-batch" \
    "$root/usr/lib/quillan/quillan-batch-media"; do
    # Read whole before grep: with pipefail, grep -q stopping early fails readelf (SIGPIPE).
    dynamic="$(readelf -W -d "$program")"
    grep -q 'BIND_NOW\|FLAGS.*NOW' <<<"$dynamic" || fail "$program: no BIND_NOW"
    sections="$(readelf -W -S "$program")"
    if grep -qF '.comment' <<<"$sections"; then fail "$program: .comment not stripped"; fi
done
symbols="$(readelf -W --dyn-syms "$root/usr/bin/quillan-batch")"
grep -q '__[a-z]*_chk' <<<"$symbols" ||
    fail "quillan-batch calls no fortified functions"

# What a clean system installs with --no-install-recommends brings all the programs load.
closure=0
bash "$(dirname "$0")/../../packaging/check-closure.sh" "$deb" "$root" || closure=$?
[ "$closure" -eq 0 ] || [ "$closure" -eq 77 ] || fail "the dependency closure lacks a library"

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning -i -I "$deb" | tee "$tree/lintian.txt" || fail "lintian reports errors"
    if grep -E 'hardening-no-(bindnow|fortify-functions|relro)' "$tree/lintian.txt"; then
        fail "lintian finds the package unhardened"
    fi
fi
echo "ok: $deb"
