#!/bin/sh
# Checks the hot-folder unit with systemd-analyze, run against the built quillan-batch.
# Usage: verify-unit.sh UNIT BINARY; exit 77 (skipped) where systemd-analyze is missing.
set -eu
command -v systemd-analyze >/dev/null 2>&1 || exit 77
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# An instance of the template; the manual page is not installed in a build tree.
sed -e "s#/usr/bin/quillan-batch#$2#" -e '/^Documentation=/d' "$1" >"$dir/quillan-watch@srv-in.service"
out=$(systemd-analyze verify "$dir/quillan-watch@srv-in.service" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
