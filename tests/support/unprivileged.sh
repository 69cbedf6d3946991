#!/usr/bin/env bash
# Runs a test program without root's powers: as itself for an ordinary user; as root, as the
# user nobody (65534, as tests/support/Unprivileged.h does for the core tests) through setpriv,
# with no supplementary groups and every capability dropped. The build and source folders
# must be readable by everyone, which they are with the usual umask.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
exec setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all \
  env HOME=/nonexistent USER=nobody LOGNAME=nobody "$@"
