#!/usr/bin/env bash
# The program without a display, as from a terminal over ssh or a package's install script:
# "-regserver" and "-unregserver" do their work and end with 0, a plain start prints one line
# saying what is missing and ends with 1. Runs on a temporary home.
#
#   bash tests/hosts/nodisplay.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
root=$(mktemp -d /tmp/quillbox-nodisplay-XXXXXX)
trap 'rm -rf "$root"' EXIT
home=$root/home
mkdir -p "$home/Documents" "$root/run"
chmod 700 "$root/run"
registry=$home/.config/quillbox/registry.reg
entry=$home/.local/share/applications/quillbox.desktop
failures=0
fail() { echo "nodisplay: FAILED: $*" >&2; failures=$((failures + 1)); }

run() {
  env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_DOCUMENTS_DIR="$home/Documents" XDG_RUNTIME_DIR="$root/run" TMPDIR="$root" LC_ALL=C.UTF-8 \
    timeout 60 "$program" "$@" > "$root/out" 2> "$root/err"
}

status=0; run -regserver || status=$?
[ "$status" -eq 0 ] || fail "-regserver ended with $status: $(head -c 300 "$root/err")"
grep -q 'LocalServer32' "$registry" 2>/dev/null || fail "-regserver wrote no registration"
[ -f "$entry" ] || fail "-regserver wrote no desktop entry"

status=0; run /UnRegServer || status=$?
[ "$status" -eq 0 ] || fail "/UnRegServer ended with $status: $(head -c 300 "$root/err")"
grep -q 'LocalServer32' "$registry" && fail "/UnRegServer left the registration"
[ -f "$entry" ] && fail "/UnRegServer left the desktop entry"

status=0; run || status=$?
[ "$status" -eq 1 ] || fail "a start without a display ended with $status"
[ "$(cat "$root/err")" = "no display: set DISPLAY or WAYLAND_DISPLAY, or run under xvfb-run" ] ||
  fail "a start without a display printed: $(head -c 300 "$root/err")"

[ "$failures" -eq 0 ] && echo "nodisplay: passed"
exit "$failures"
