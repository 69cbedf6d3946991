#!/usr/bin/env bash
# The product holds no test hooks: no byte of the program file (its strings, symbols and
# debug information) names the smoke test's probe or the variables that drive it. The same
# names must be found in the test program that carries the probe, so a renamed probe cannot
# make this check pass by looking for names that no longer exist.
#
#   bash tests/hosts/nohooks.sh PROGRAM [PROBED_PROGRAM]
set -euo pipefail
markers=(QUILLBOX_SMOKE_PROBE QUILLBOX_SMOKE_URL SmokeProbe probe.txt)
fail() { echo "nohooks: FAILED: $*" >&2; exit 1; }

program=$1
[ -s "$program" ] || fail "no program file $program"
if [ $# -ge 2 ]; then
  [ -s "$2" ] || fail "no probed program file $2"
  for marker in "${markers[@]}"; do
    grep -qaF -- "$marker" "$2" || fail "'$marker' is not in the probed program $2: the markers are out of date"
  done
fi
for marker in "${markers[@]}"; do
  ! grep -qaF -- "$marker" "$program" || fail "$program holds '$marker'"
done
echo "nohooks: $program holds none of ${markers[*]}"
