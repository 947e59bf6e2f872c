#!/usr/bin/env bash
# ./run.sh INPUT OUTPUT [options]   converts one file (see --help)
# ./run.sh --bench [bench options]  times whole conversions (bench/README.md)
# ./run.sh                          opens the window when there is a display;
#                                   without one, converts the bundled sample
#                                   log to an MPS script
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/plain" -G Ninja -DVC_WERROR=ON >/dev/null
vornconv="$here/build/plain/bin/vornconv"

if [ "${1:-}" = "--bench" ]; then
  shift
  cmake --build "$here/build/plain" --target vc_bench >&2
  exec "$here/build/plain/bin/vc_bench" "$@"
fi

if [ $# -gt 0 ]; then
  cmake --build "$here/build/plain" --target vornconv >&2
  exec "$vornconv" "$@"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$here/build/plain" --target vornconverter >&2
  exec "$here/build/plain/bin/vornconverter"
fi

cmake --build "$here/build/plain" --target vornconv >&2
sample="$here/data/samples/sample.vrn"
out="$here/build/sample.mps"
"$vornconv" --force --line=points,time,length,velocity --point=date,velocity,leg-time,leg-length \
  "$sample" "$out"
echo "Converted $sample to $out"
