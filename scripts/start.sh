#!/usr/bin/env bash
# Builds Quillbox and starts it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ -x build/quillbox ]; then
  exec build/quillbox "$@"
fi
# Until the browser window is built, the command-line tool is the program.
if [ "$#" -eq 0 ]; then set -- list; fi
exec build/quillbox-cli "$@"
