#!/usr/bin/env bash
# Checks an installation as a user meets it, outside the build folder.
#   install_check.sh install BUILD_DIR SOURCE_DIR  cmake --install into a temp prefix
#   install_check.sh package BUILD_DIR SOURCE_DIR  cpack -G DEB, then the package's files
# The installed programs must find their group definitions in share/, not in
# the build folder, so every run happens from the installation alone.
set -euo pipefail
mode="$1"
build="$2"
source="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The conversion of the bundled log to MPS, from a folder of its own.
check_programs() {
  local prefix="$1"
  local version
  version="$("$prefix/bin/vornconv" --version)" || fail "vornconv --version exited $?"
  [[ "$version" == "vornconv "[0-9]* ]] || fail "vornconv --version printed '$version'"
  mkdir -p "$work/run"
  cp "$source/data/samples/sample.vrn" "$work/run/log.vrn"
  (cd "$work/run" && SOURCE_DATE_EPOCH=1015362000 "$prefix/bin/vornconv" --quiet --force \
     --line=points,time log.vrn log.mps) || fail "the installed vornconv did not convert"
  grep -q 'gid="2531"' "$work/run/log.mps" || fail "the MPS output lacks the group definitions"
  grep -q 'gid="2531"' "$prefix/share/vornconverter/header_mps_group.dat" ||
    fail "share/vornconverter/header_mps_group.dat is not the group definitions"
  [ -x "$prefix/bin/vornconverter" ] || fail "bin/vornconverter is not installed"
}

# Every option --help lists must be in the man page; the desktop entry must
# start an installed program with an installed icon.
check_documents() {
  local prefix="$1"
  local man="$prefix/share/man/man1/vornconv.1"
  local desktop="$prefix/share/applications/vornconverter.desktop"
  [ -f "$man" ] || [ -f "$man.gz" ] || fail "man page not installed"
  local page
  if [ -f "$man.gz" ]; then page="$(zcat "$man.gz")"; else page="$(cat "$man")"; fi
  page="${page//\\-/-}"
  local option
  for option in $("$prefix/bin/vornconv" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "the man page does not document $option"
  done
  for section in "EXIT STATUS" "SOURCE_DATE_EPOCH" "FILE TYPES"; do
    grep -q "$section" <<<"$page" || fail "the man page lacks $section"
  done
  [ -f "$desktop" ] || fail "desktop entry not installed"
  grep -qx 'Name=VornConverter' "$desktop" || fail "desktop entry is not named VornConverter"
  grep -q '^Name\[ja\]=' "$desktop" || fail "desktop entry has no Japanese name"
  grep -q '^Categories=Utility;Geography;' "$desktop" || fail "desktop entry categories"
  local exec icon
  exec="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
  [ -x "$prefix/bin/$exec" ] || fail "desktop entry starts '$exec', which is not installed"
  icon="$(sed -n 's/^Icon=//p' "$desktop")"
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon '$icon' not installed"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
  fi
}

case "$mode" in
  install)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    [ ! -e "$work/prefix/bin/header_mps_group.dat" ] || fail "group definitions installed in bin/"
    check_programs "$work/prefix"
    check_documents "$work/prefix"
    ;;
  package)
    (cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack -G DEB failed"
    deb="$(ls "$work"/deb/vornconverter_*.deb)"
    depends="$(dpkg-deb -f "$deb" Depends)"
    for need in libqt6widgets6 fonts-liberation fonts-noto-cjk; do
      grep -q "$need" <<<"$depends" || fail "the package does not depend on $need: $depends"
    done
    dpkg-deb -x "$deb" "$work/root"
    [ -x "$work/root/usr/bin/vornconv" ] || fail "the package has no /usr/bin/vornconv"
    check_programs "$work/root/usr"
    check_documents "$work/root/usr"
    ;;
  *)
    fail "unknown mode $mode"
    ;;
esac
echo "ok: $mode"
