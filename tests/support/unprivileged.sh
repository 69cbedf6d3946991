#!/usr/bin/env bash
# Runs a test program as an unprivileged user: as itself when it is one, else (as root) as the
# user QB_TEST_USER names, through setpriv with every capability dropped. As root without
# QB_TEST_USER it exits 77, which CTest shows as skipped.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
user=${QB_TEST_USER:-}
if [ -z "$user" ] || ! id -u "$user" > /dev/null 2>&1; then
  echo "running as root without an unprivileged QB_TEST_USER: not run"
  exit 77
fi
# The user's own home and temporary folder: the test program makes its sandbox in /tmp.
exec setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups --inh-caps=-all --bounding-set=-all \
  env HOME=/nonexistent USER="$user" LOGNAME="$user" "$@"
