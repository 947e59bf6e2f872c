#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are
# missing. As root it runs apt-get; otherwise it says what to install.
# Given package names, it sees to those instead (scripts/check-windows.sh).
set -euo pipefail

# The window needs Qt 6 Widgets, Liberation Serif (metrically the "Times New
# Roman" of its captions; fontconfig maps the name to it) and a CJK font for
# the Japanese items and messages. desktop-file-utils checks the desktop entry
# and dpkg-dev names the package's library dependencies. qt6-l10n-tools has lrelease,
# which compiles the window's English texts at build time.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libcli11-dev
          qt6-base-dev qt6-l10n-tools fonts-liberation fonts-noto-cjk desktop-file-utils
          dpkg-dev)
[ $# -gt 0 ] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing ${missing[*]} ..." >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
