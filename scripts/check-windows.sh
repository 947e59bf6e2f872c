#!/usr/bin/env bash
# The Windows build check (not part of ./test.sh: its packages take about
# 230 MB). Cross-compiles the libraries, vornconv and their unit tests for
# 64-bit Windows with Debian's mingw-w64, then runs every unit test program
# under Wine in a fresh Wine prefix, where the map program's registry keys
# are written with `wine reg add` and a stand-in program is registered as
# the map program. Prints a summary per program; exits non-zero when a
# program fails, does not build, or does not run.
#
#   scripts/check-windows.sh
#
# Settings from the environment: VC_WINDOWS_BUILD (the build folder,
# default build/windows), VC_JOBS (parallel compile jobs, default all cores),
# VC_CMAKE_ARGS (more arguments for the configuration).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VC_WINDOWS_BUILD:-$root/build/windows}
jobs=${VC_JOBS:-$(nproc)}
programs=(unit_text unit_geo unit_mps unit_waypointplus unit_vrc unit_vornpointer
          unit_engine unit_launcher unit_cli)

# --- Packages --------------------------------------------------------------
# GoogleTest is built from the source tree libgtest-dev installs in
# /usr/src/googletest; CLI11 is header-only.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64
          libgtest-dev libcli11-dev)
"$root/scripts/install-deps.sh" "${packages[@]}"

# --- Build -----------------------------------------------------------------
echo "== Building for Windows in $build" >&2
# shellcheck disable=SC2086  # VC_CMAKE_ARGS holds several arguments
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVC_ENGINE_ONLY=ON -DVC_WERROR=ON \
  -DVC_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DVC_CLI11_HEADERS=/usr/include/CLI \
  ${VC_CMAKE_ARGS:-} >&2
cmake --build "$build" -j "$jobs" >&2

# --- A fresh Wine prefix -----------------------------------------------------
# No Mono or Gecko (their install would ask), no debug chatter, and UTF-8 for
# the texts handed to Wine on its command line.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
echo "== Preparing the Wine prefix $WINEPREFIX" >&2
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot --init >/dev/null 2>&1
wineserver -w

# The map program as its installers register it (a 32-bit program, so in
# the 32-bit view), and values the registry tests read in both views.
reg_add() { wine reg add "$@" /f >/dev/null; }
program='C:\Program Files\ALPS\PAtlas.exe'
reg_add 'HKLM\SOFTWARE\ALPS\Rdw50' /v AppPath /t REG_SZ /d "$program" /reg:32
test_key='HKLM\SOFTWARE\VornConverterTest'
reg_add "$test_key" /v Both /t REG_SZ /d '32-bit view' /reg:32
reg_add "$test_key" /v Both /t REG_SZ /d 'native view' /reg:64
reg_add "$test_key" /v Native /t REG_SZ /d 'native view' /reg:64
reg_add "$test_key" /v Long /t REG_SZ /d "$(printf 'L%.0s' $(seq 300))" /reg:32
reg_add "$test_key" /v Japanese /t REG_SZ /d '地図' /reg:32
reg_add "$test_key" /v Count /t REG_DWORD /d 7 /reg:32
reg_add "$test_key" /v Expand /t REG_EXPAND_SZ /d '%SystemRoot%\PAtlas.exe' /reg:32
# The stand-in writes down the command line it was started with.
mkdir -p "$WINEPREFIX/drive_c/Program Files/ALPS"
cp "$build/tests/vc_record_arguments.exe" "$WINEPREFIX/drive_c/Program Files/ALPS/PAtlas.exe"
export VC_WINE_KEYS=1

# --- Tests -----------------------------------------------------------------
# The tests find the source tree's tests/ and the built programs through
# these, given as Windows paths; "now" and the time zone are fixed as under
# CTest.
VC_TESTDATA=$(wine winepath -w "$root/tests" 2>/dev/null | tr -d '\r')
VC_BIN=$(wine winepath -w "$build/bin" 2>/dev/null | tr -d '\r')
export VC_TESTDATA VC_BIN TZ=UTC
logs="$build/test-logs"
mkdir -p "$logs"

# The number before "test" on gtest's summary line that starts with $2.
count() {
  local line
  line=$(grep -E "^\[ *$2 *\]" "$1" | grep -E '[0-9]+ tests?' | tail -1 || true)
  [[ $line =~ \]\ ([0-9]+)\ test ]] && echo "${BASH_REMATCH[1]}" || echo 0
}

failures=0
summary=$(printf '%-18s %5s %7s %8s %7s  %s\n' program run passed skipped failed status)
for name in "${programs[@]}"; do
  exe="$build/tests/$name.exe"
  log="$logs/$name.log"
  if [ ! -f "$exe" ]; then
    summary+=$'\n'$(printf '%-18s %5s %7s %8s %7s  %s' "$name" - - - - "not built")
    failures=$((failures + 1))
    continue
  fi
  echo "== $name" >&2
  status=0
  (cd "$root/tests" && wine "$exe" --gtest_color=no) >"$log" 2>&1 || status=$?
  ran=$(grep -E '^\[=+\] [0-9]+ tests? from' "$log" | tail -1 | sed -E 's/^\[=+\] ([0-9]+).*/\1/')
  verdict=passed
  if [ "$status" -ne 0 ] || [ -z "$ran" ]; then
    verdict="FAILED (exit $status, log $log)"
    failures=$((failures + 1))
    grep -E '^\[  FAILED  \] [A-Za-z0-9_./]+$' "$log" | sort -u >&2 || true
  fi
  summary+=$'\n'$(printf '%-18s %5s %7s %8s %7s  %s' "$name" "${ran:--}" \
    "$(count "$log" PASSED)" "$(count "$log" SKIPPED)" "$(count "$log" FAILED)" "$verdict")
done

echo
echo "Windows unit tests under $(wine --version 2>/dev/null | tr -d '\r'):"
echo "$summary"
# Tests that do not apply to Windows skip themselves; their logs say why.
grep -h -E '^\[ +SKIPPED +\] [A-Za-z0-9_]+\.[A-Za-z0-9_/]+' "$logs"/*.log 2>/dev/null | tr -d '\r' |
  sed -E 's/^\[ +SKIPPED +\] ([^ ]+).*/skipped on Windows: \1/' | sort -u || true
if [ "$failures" -ne 0 ]; then
  echo "$failures of ${#programs[@]} test programs failed" >&2
  exit 1
fi
echo "All ${#programs[@]} test programs passed."
