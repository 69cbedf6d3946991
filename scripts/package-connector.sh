#!/usr/bin/env bash
# Builds the connector extension for both browsers from connector/:
#   OUT/chromium/ and OUT/quillbox-connector-chromium.zip  (load unpacked, or upload the zip)
#   OUT/firefox/  and OUT/quillbox-connector-firefox.xpi   (a temporary add-on, or sign it)
# OUT is the first argument, build/connector by default. Firefox takes the background as an
# event page script and its own add-on ID; Chromium a service worker and the key that fixes
# the extension ID the native host allows.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/connector}"
mkdir -p "$out"

python3 - "$root/connector" "$out" <<'PY'
import json, pathlib, shutil, sys, zipfile

src, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
files = ["background.js", "popup.html", "popup.js", "popup.css"]
base = json.loads((src / "manifest.json").read_text(encoding="utf-8"))

firefox = dict(base)
firefox.pop("key")
firefox["background"] = {"scripts": ["background.js"]}
# Nothing leaves the machine: the clips go to the local program only.
firefox["browser_specific_settings"] = {"gecko": {"id": "quillbox-connector@quillbox", "strict_min_version": "140.0",
                                                  "data_collection_permissions": {"required": ["none"]}},
                                        "gecko_android": {"strict_min_version": "142.0"}}

for name, manifest, package in (("chromium", base, "quillbox-connector-chromium.zip"),
                                ("firefox", firefox, "quillbox-connector-firefox.xpi")):
    folder = out / name
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for f in files:
        shutil.copyfile(src / f, folder / f)
    (folder / "manifest.json").write_text(json.dumps(manifest, indent=2) + "\n", encoding="utf-8")
    with zipfile.ZipFile(out / package, "w", zipfile.ZIP_DEFLATED) as z:
        for f in ["manifest.json"] + files:
            z.write(folder / f, f)
    print(out / package)
PY
