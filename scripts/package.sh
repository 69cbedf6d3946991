#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: its control data (name,
# version, the libraries and programs it depends on), its file list (nothing of the tests
# in it), the packaged program (no test hooks in it; it registers and ends without a
# display), and the smoke test under xvfb-run on the unpacked package's tree, run by the
# build's probed test program placed beside the packaged one.
#
#   bash scripts/package.sh [BUILD_FOLDER]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
fail() { echo "package: FAILED: $*" >&2; exit 1; }

cmake --build "$build" -j "$(nproc)"
rm -f "$build"/quillbox_*.deb
(cd "$build" && cpack -G DEB > cpack.log 2>&1) || { cat "$build/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$build"/quillbox_*.deb)

info=$(dpkg-deb -I "$deb")
for field in "Package: quillbox" "Version: " "Architecture: $(dpkg --print-architecture)"; do
  grep -q "^ $field" <<< "$info" || fail "the control data has no '$field'"
done
depends=$(grep "^ Depends:" <<< "$info") || fail "the package depends on nothing"
for package in libqt6webenginecore6 libqt6widgets6 libgumbo libpugixml libjpeg62-turbo libwmf qt6-qpa-plugins xdg-utils; do
  grep -q "$package" <<< "$depends" || fail "the package does not depend on $package"
done

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/quillbox ./usr/bin/quillbox-cli ./usr/share/quillbox/Templates/Simple.html \
  ./usr/share/applications/quillbox.desktop ./usr/share/icons/hicolor/scalable/apps/quillbox.svg; do
  grep -qxF "$file" <<< "$files" || fail "the package has no $file"
done

programs=$(grep '^\./usr/bin/.' <<< "$files" | tr '\n' ' ')
[ "$programs" = "./usr/bin/quillbox ./usr/bin/quillbox-cli " ] || fail "the package's programs are: $programs"

root=$(mktemp -d /tmp/quillbox-deb-XXXXXX)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
bash tests/hosts/nohooks.sh "$root/usr/bin/quillbox" "$build/quillbox-smoke"
bash tests/hosts/nodisplay.sh "$root/usr/bin/quillbox"
cp "$build/quillbox-smoke" "$root/usr/bin/"
bash tests/hosts/smoke.sh "$root/usr/bin/quillbox-smoke" "$build/smoke-deb"
echo "package: $(basename "$deb") checked"
