#!/usr/bin/env bash
# Builds and runs every test: once plain, once with AddressSanitizer and
# UndefinedBehaviorSanitizer. Warnings are errors.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
scripts/install-deps.sh

run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DVC_WERROR=ON "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

echo "== plain build"
run_suite build/plain
echo "== sanitized build (address, undefined)"
run_suite build/sanitize -DVC_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
