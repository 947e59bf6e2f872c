#!/usr/bin/env bash
# ./run.sh INPUT OUTPUT [options]   converts one file (see --help)
# ./run.sh                          converts the bundled sample log to an MPS script
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build/plain" -G Ninja -DVC_WERROR=ON >/dev/null
cmake --build "$here/build/plain" --target vornconv >&2
vornconv="$here/build/plain/bin/vornconv"

if [ $# -gt 0 ]; then
  exec "$vornconv" "$@"
fi

sample="$here/data/samples/sample.vrn"
out="$here/build/sample.mps"
"$vornconv" --force --line=points,time,length,velocity --point=date,velocity,leg-time,leg-length \
  "$sample" "$out"
echo "Converted $sample to $out"
