#!/usr/bin/env bash
# Builds the connector and checks its Firefox build with web-ext lint (installed by
# scripts/install-deps.sh); a warning fails as an error does. OUT is the first argument.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/connector}"
bash "$root/scripts/package-connector.sh" "$out" > /dev/null
web-ext lint --source-dir "$out/firefox" --no-input --no-config-discovery --warnings-as-errors
