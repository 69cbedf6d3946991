#!/usr/bin/env bash
# The installed layout: installs the build below a temporary DESTDIR with the prefix /usr,
# checks that every file is where desktops and the programs look for it and nothing of the
# tests came along, that the installed programs use the installed data (not the source
# tree's), that the installed program holds no test hooks and starts, registers and ends
# without a display, and runs the smoke test on the installed tree: the build's probed test
# program, put beside the installed one, finds the same installed data.
#
#   bash tests/hosts/install.sh BUILD_FOLDER OUTPUT_FOLDER
set -euo pipefail
build=$(realpath "$1")
out=${2:-$PWD/smoke-installed}
here=$(dirname "$(realpath "$0")")
fail() { echo "install: FAILED: $*" >&2; exit 1; }

root=$(mktemp -d /tmp/quillbox-install-XXXXXX)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root/dest cmake --install "$build" --prefix /usr > "$root/install.log" 2>&1 ||
  { cat "$root/install.log" >&2; fail "cmake --install failed"; }
prefix=$root/dest/usr
for file in bin/quillbox bin/quillbox-cli share/quillbox/Templates/Simple.html share/quillbox/folder.gif \
  share/quillbox/snote.gif share/applications/quillbox.desktop share/icons/hicolor/scalable/apps/quillbox.svg; do
  [ -f "$prefix/$file" ] || fail "no $file below the prefix"
done
grep -qx "Exec=quillbox %u" "$prefix/share/applications/quillbox.desktop" || fail "the desktop entry does not start quillbox"
programs=$(ls "$prefix/bin" | tr '\n' ' ')
[ "$programs" = "quillbox quillbox-cli " ] || fail "the installed programs are: $programs"
bash "$here/nohooks.sh" "$prefix/bin/quillbox" "$build/quillbox-smoke"
bash "$here/nodisplay.sh" "$prefix/bin/quillbox"

# The installed data is the data used: a marked template reaches a fresh home, which then
# makes its report in the private temporary folder.
echo "<!-- the installed template -->" >> "$prefix/share/quillbox/Templates/Simple.html"
home=$root/home
mkdir -p "$home/Documents/My Notes/Trips" "$root/run"
chmod 700 "$root/run"
echo "<html><body><p>Rome</p></body></html>" > "$home/Documents/My Notes/Trips/Rome.html"
report=$(env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  XDG_DOCUMENTS_DIR="$home/Documents" XDG_RUNTIME_DIR="$root/run" TMPDIR="$root" LC_ALL=C.UTF-8 \
  "$prefix/bin/quillbox-cli" report Trips) || fail "quillbox-cli report failed"
[ "$report" = "$root/run/quillbox/tmprep.html" ] || fail "the report went to '$report'"
grep -qF "<!-- the installed template -->" "$home/.local/share/quillbox/Templates/Simple.html" ||
  fail "the home did not get the installed template"
grep -qF "<p>Rome</p>" "$report" || fail "the report has not got the note"

cp "$build/quillbox-smoke" "$prefix/bin/"
bash "$here/smoke.sh" "$prefix/bin/quillbox-smoke" "$out"
echo "install: passed"
