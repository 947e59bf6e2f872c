#!/usr/bin/env bash
# A short fuzzing run of one target with libFuzzer, not part of CI:
#
#   scripts/fuzz.sh TARGET [SECONDS]     e.g. scripts/fuzz.sh wpt_line 600
#
# TARGET is a file name tests/fuzz/TARGET_fuzz.cpp (wpt_line, vrc_line,
# vp_log_line, vp_nmea_block, mps_statement, mps_script, gpx_document,
# conversion). The targets are built with clang++-14 and -fsanitize=fuzzer,address,undefined
# into build/fuzz/. New inputs go to build/fuzz/corpus/TARGET/, which starts
# from the seeds in tests/fuzz/corpus/TARGET/; a crash, hang or leak leaves
# its input in build/fuzz/findings/TARGET/. Copy a finding into the seed
# folder once it is mended, so that CI replays it from then on.
# Run as root, it installs what it needs through scripts/install-deps.sh: the
# build's packages, clang-14, and libclang-rt-14-dev, which holds libFuzzer
# and the sanitizer runtimes that clang links.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-60}
seeds="$here/tests/fuzz/corpus/$target"
[ -d "$seeds" ] || { echo "no such fuzz target: $target" >&2; exit 2; }
"$here/scripts/install-deps.sh"
"$here/scripts/install-deps.sh" clang-14 libclang-rt-14-dev

# libFuzzer's longest input is by default that of the largest seed, at
# least 4096 bytes, and it lets inputs grow only slowly towards it. MPS
# statements run over thousands of lines, and a reader's time on them shows
# only near a megabyte (a statement left open after a comma once took
# seconds there): the MPS targets may reach a megabyte from the start.
lengths=()
case "$target" in
  mps_script | mps_statement) lengths=(-max_len=$((1 << 20)) -len_control=0) ;;
esac

build="$here/build/fuzz"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DVC_LIBFUZZER=ON >/dev/null
cmake --build "$build" --target "fuzz_$target"

corpus="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"
# The conversion target writes and flushes files on every run: on a memory
# file system the flushes cost nothing.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# -timeout: a single input running longer than this is a hang.
exec "$build/tests/fuzz/fuzz_$target" "$corpus" "$seeds" \
  -max_total_time="$seconds" "${lengths[@]}" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$findings/" -print_final_stats=1
