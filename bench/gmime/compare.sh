#!/usr/bin/env bash
# Times quillbox-cli mail against a small GMime program doing the same work (parse, find the
# HTML body, decode it into UTF-8, print the header fields and the body), on the given message
# files (default: the large message the mail benchmark writes and the largest real message).
# GMime comes from Debian's libgmime-3.0-dev, installed here; it is never linked into Quillbox.
set -euo pipefail
cd "$(dirname "$0")/../.."
dpkg -s libgmime-3.0-dev > /dev/null 2>&1 || apt-get install -y libgmime-3.0-dev
tool=build/bench/gmime_mail
mkdir -p build/bench
cc -O2 -o "$tool" bench/gmime/gmime_mail.c $(pkg-config --cflags --libs gmime-3.0)
[ -x build/quillbox-cli ] && [ -x build/bench/bench_dropimport ] || { echo "build quillbox-cli and bench_dropimport first"; exit 1; }
if [ $# -eq 0 ]; then
  QB_MAIL_LARGE_OUT="$PWD/build/bench/large.eml" build/bench/bench_dropimport \
    --benchmark_filter=BM_MailLargeMessageAsNote --benchmark_min_time=0.01 > /dev/null
  set -- build/bench/large.eml ../shared/realmail/msgs/mailparser-mail_test_2.eml
fi
msec() { perf stat -r 20 "$@" 2>&1 >/dev/null | awk '/task-clock/ {print $1}'; }
for file in "$@"; do
  ours=$(msec build/quillbox-cli mail "$file")
  theirs=$(msec "$tool" "$file")
  echo "$(basename "$file"): quillbox-cli ${ours} ms, GMime ${theirs} ms, ratio $(echo "scale=2; $ours / $theirs" | bc)"
done
