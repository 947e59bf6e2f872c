#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are
# missing. As root it runs apt-get; otherwise it says what to install.
# Given package names, it sees to those instead (scripts/check-windows.sh).
set -euo pipefail

# The window needs Qt 6 Widgets, Liberation Serif (metrically the "Times New
# Roman" of its captions; fontconfig maps the name to it) and a CJK font for
# the Japanese items and messages. desktop-file-utils checks the desktop entry;
# dpkg-dev names the package's library dependencies, and file lets CPack's DEB
# generator find the programs among the packaged files (without it cpack stops
# with a fatal error); lintian checks the package as Debian would, and
# bash-completion lets the tests try the command line's completion.
# qt6-l10n-tools has lrelease, which compiles the window's English texts at
# build time. GPX is
# read with expat; the tests validate written GPX and KML with xmllint
# (libxml2-utils) and read them back with the peer converter gpsbabel, which
# the benchmark (./run.sh --bench) also times beside VRN -> MPS.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libcli11-dev
          qt6-base-dev qt6-l10n-tools fonts-liberation fonts-noto-cjk desktop-file-utils dpkg-dev
          file lintian bash-completion libexpat1-dev libxml2-utils gpsbabel)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  echo "(or run $0 as root, which installs them)" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..." >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
