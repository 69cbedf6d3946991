#!/usr/bin/env bash
# Builds Quillbox and runs every test: the unit tests, the GUI tests offscreen, the same core
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for
# a bounded number of inputs. A stage that runs nothing fails: every CTest label a build must
# have is checked, and every fuzz/*.cpp must have been built and run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_runs=${QB_FUZZ_RUNS:-20000}

# Fails unless the build in $1 has at least one test of each label that follows.
require_labels() {
  local build=$1 label
  shift
  for label in "$@"; do
    if ! (cd "$build" && ctest -N -L "^$label\$" | grep -q "Total Tests: [1-9]"); then
      echo "$build: no test labelled $label"
      return 1
    fi
  done
}

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
require_labels build unit gui xvfb bench
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 600)

echo "== Debian package"
bash scripts/package.sh build

echo "== core tests under the sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQB_GUI=OFF -DQB_BENCH=OFF -DQB_SANITIZE=ON
cmake --build build-asan -j "$jobs"
require_labels build-asan sanitize
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure --no-tests=error -j "$jobs" --timeout 900)

echo "== fuzz targets"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQB_GUI=OFF -DQB_TESTS=OFF -DQB_BENCH=OFF -DQB_SANITIZE=ON -DQB_FUZZ=ON
cmake --build build-fuzz -j "$jobs"
require_labels build-fuzz fuzz
passed=0
failed=0
# Every fuzz source counts: one that was not built fails the stage.
for source in fuzz/*.cpp; do
  name=$(basename "$source" .cpp)
  target=build-fuzz/fuzz/fuzz_$name
  if [ ! -x "$target" ]; then
    echo "fuzz_$name: NOT BUILT"
    failed=$((failed + 1))
    continue
  fi
  corpus=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
  # The RTF and mail targets also start from the real documents and messages of the shared
  # corpora, read from there.
  seeds=""
  case "$name" in
    rtf_convert) seeds=../shared/realrtf/docs ;;
    mail_message) seeds=../shared/realmail/msgs ;;
  esac
  if [ -n "$seeds" ]; then
    if [ -d "$seeds" ]; then
      find "$seeds" -maxdepth 1 -type f \( -name '*.rtf' -o -name '*.eml' \) -exec cp {} "$corpus/" \;
    else
      echo "fuzz_$name: the corpus $seeds is missing"
      failed=$((failed + 1))
    fi
  fi
  if "$target" -runs="$fuzz_runs" -max_len=65536 -timeout=20 -rss_limit_mb=2048 "$corpus" > "build-fuzz/$name.log" 2>&1; then
    passed=$((passed + 1))
    echo "fuzz_$name: ok ($(grep -c '' "build-fuzz/$name.log") log lines)"
  else
    failed=$((failed + 1))
    echo "fuzz_$name: FAILED"
    tail -n 60 "build-fuzz/$name.log"
  fi
  rm -rf "$corpus"
done
echo "fuzz: $passed passed, $failed failed"
# A plain test: under set -e a failing "a && b" list would not stop the script.
if [ "$failed" -ne 0 ] || [ "$passed" -eq 0 ]; then exit 1; fi
echo "test.sh: all stages passed (tests, sanitizers, $passed fuzz targets)"
