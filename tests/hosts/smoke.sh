#!/usr/bin/env bash
# Smoke test of the program: starts quillbox-smoke (the program with the smoke test's probe,
# a test build never installed) under xvfb-run on a temporary home with a small store, checks
# that the window, the notes pane and the store's folder listing appear, navigates through the
# address box to a local note with a picture, and checks that the program ends cleanly,
# having registered itself and saved its settings. The probe (QUILLBOX_SMOKE_PROBE) reports
# what the program shows and takes the screenshots, which are kept in the output folder
# (start.png, page.png, and notefrom.png and context.png with the pane's "Note from" menu and
# context menu open) for a person to look at.
#
#   bash tests/hosts/smoke.sh PROBED_PROGRAM OUTPUT_FOLDER
# QB_SMOKE_FOLDERS sets the number of folders in the store (default 3): with 1000 the
# probe's shown_ms is the start-up time to measure.
set -euo pipefail
program=$(realpath "$1")
out=${2:-$PWD/smoke}
folders=${QB_SMOKE_FOLDERS:-3}

fail() { echo "smoke: FAILED: $*" >&2; [ -f "$out/probe.txt" ] && cat "$out/probe.txt" >&2; exit 1; }
expect() { grep -qxF -- "$1" "$out/probe.txt" || fail "probe has no line '$1'"; }
expect_match() { grep -qE -- "$1" "$out/probe.txt" || fail "probe has no line matching '$1'"; }

root=$(mktemp -d /tmp/quillbox-smoke-XXXXXX)
trap 'rm -rf "$root"' EXIT
home=$root/home
store="$home/Documents/My Notes"
mkdir -p "$store" "$root/run" "$home/.config" "$home/.local/share"
chmod 700 "$root/run"
for i in $(seq 1 "$folders"); do mkdir -p "$store/Folder $i"; done
# A note with its picture in the companion folder, captured from a web page.
note_dir="$store/Folder 1"
mkdir -p "$note_dir/Smoke note.files"
echo 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAIAAACQd1PeAAAADElEQVR4nGP4z8AAAAMBAQDJ/pLvAAAAAElFTkSuQmCC' | base64 -d \
  > "$note_dir/Smoke note.files/dot.png"
cat > "$note_dir/Smoke note.html" <<'EOF'
<html><head><title>Smoke note</title></head>
<body><h1>Smoke note</h1><p>A note opened through the address box.</p>
<img src="Smoke note.files/dot.png" width="64" height="64"></body></html>
EOF

rm -rf "$out"
mkdir -p "$out"
status=0
env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_DOCUMENTS_DIR="$home/Documents" XDG_RUNTIME_DIR="$root/run" TMPDIR="$root" LC_ALL=C.UTF-8 \
  QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" \
  QUILLBOX_SMOKE_PROBE="$out" QUILLBOX_SMOKE_URL="$note_dir/Smoke note.html" \
  timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" "$program" > "$out/program.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { tail -n 30 "$out/program.log" >&2; fail "the program ended with status $status"; }
[ -f "$out/probe.txt" ] || fail "the probe wrote nothing"

expect "result=done"
expect_match '^shown_ms=[0-9]+$'
expect "start.window=Quillbox 1.31 visible=1 size=700x601"
expect "start.pane=1 width=200 folders=$folders"
expect "start.page=file://$store/"
expect_match "^start.title=Index of "
expect "screenshot=start.png saved"
expect "navigated.page=file://$note_dir/Smoke note.html"
expect "navigated.title=Smoke note"
expect "navigated.address=file://$note_dir/Smoke note.html"
expect "navigated.pane=1 width=200 folders=$folders"
expect "screenshot=page.png saved"
expect "notefrom.visible=1"
expect "notefrom.items=Empty|-|Clipboard|Selection|-|All Images|-|Entire Page"
expect "screenshot=notefrom.png saved"
expect "context.visible=1"
expect_match "^context.items=Edit\.\.\.\|Open\|(Open With [^|]+\|)?Open URL\|Send\|Refresh\|-\|Delete$"
expect "screenshot=context.png saved"

registry=$home/.config/quillbox/registry.reg
[ -f "$registry" ] || fail "no registry file"
grep -qiF '[HKEY_CLASSES_ROOT\CLSID\{B94027E6-F580-4BE5-9DD7-6CF4CEB3000D}\LocalServer32]' "$registry" \
  || fail "the program did not register itself"
grep -qF '"_NotesTreeWidth"=dword:000000c8' "$registry" || fail "the notes panel width was not saved"
grep -qF '"NormPos"=' "$registry" || fail "the window placement was not saved"
[ -f "$home/.local/share/applications/quillbox.desktop" ] || fail "no desktop entry"

grep "^shown_ms=" "$out/probe.txt" | sed "s/^/smoke: $folders folders, window shown after /; s/shown_ms=//; s/$/ ms/"
echo "smoke: passed; screenshots in $out"
