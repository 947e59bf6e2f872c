#!/usr/bin/env bash
# Checks an installation as a user meets it, outside the build folder.
#   install_check.sh install BUILD_DIR SOURCE_DIR  cmake --install into a temp prefix
#   install_check.sh package BUILD_DIR SOURCE_DIR [lintian]
#                                                  cpack -G DEB, then the package's files,
#                                                  and with "lintian" Debian's check of it
# The installed programs must find their group definitions in share/, not in
# the build folder, so every run happens from the installation alone.
set -euo pipefail
mode="$1"
build="$2"
source="$3"
extra="${4:-}"
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
  [ -f "$prefix/share/man/man1/vornconverter.1.gz" ] || fail "the window's man page not installed"
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

# The completion offers every option --help lists, and the values of a few.
check_completion() {
  local prefix="$1"
  local script="$prefix/share/bash-completion/completions/vornconv"
  [ -f "$script" ] || fail "bash completion not installed"
  local option
  for option in $("$prefix/bin/vornconv" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" "$script" || fail "the bash completion does not offer $option"
  done
  local framework=/usr/share/bash-completion/bash_completion
  [ -f "$framework" ] || return 0
  # What the completion offers for a line typed so far, one a line. The
  # words are split as bash splits them, "=" being a word of its own.
  offered() {
    bash -c 'source "$1"; source "$2"; line="vornconv $3"
      read -ra COMP_WORDS <<<"${line//=/ = }"
      [[ $line == *" " ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE="$line"; COMP_POINT=${#line}
      _vornconv 2>/dev/null; printf "%s\n" "${COMPREPLY[@]}"' _ "$framework" "$script" "$1"
  }
  [ "$(offered '--to ')" = $'mps\nwpt\nvrc' ] || fail "completion of --to: $(offered '--to ')"
  [ "$(offered '--route-order d')" = down ] || fail "completion of --route-order"
  [ "$(offered '--point=date,leg-l')" = date,leg-length ] ||
    fail "completion of a list item: $(offered '--point=date,leg-l')"
  [ "$(offered '--jo')" = --jobs ] || fail "completion of an option"
}

# The package's copyright file and changelog, whose latest entry is this
# version.
check_package_documents() {
  local prefix="$1"
  local doc="$prefix/share/doc/vornconverter"
  [ -f "$doc/copyright" ] || fail "no copyright file"
  [ -f "$doc/changelog.gz" ] || fail "no changelog"
  local version
  version="$("$prefix/bin/vornconv" --version)"
  version="${version#vornconv }"
  zcat "$doc/changelog.gz" | head -1 | grep -qF "vornconverter ($version)" ||
    fail "the changelog's latest entry is not version $version"
}

# lintian with no error; every warning it gives is listed, with its reason,
# in the README.
check_lintian() {
  local deb="$1"
  command -v lintian >/dev/null || fail "lintian is missing (scripts/install-deps.sh installs it)"
  local report
  report="$(lintian --fail-on none "$deb" 2>&1)" || fail "lintian did not run: $report"
  if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors:"$'\n'"$report"; fi
  local tag
  for tag in $(sed -n 's/^W: [^ ]* \([a-z0-9-]*\).*/\1/p' <<<"$report" | sort -u); do
    grep -qF "\`$tag\`" "$source/README.md" ||
      fail "lintian warns $tag, which README.md does not list:"$'\n'"$report"
  done
}

case "$mode" in
  install)
    cmake --install "$build" --prefix "$work/prefix" >/dev/null
    [ ! -e "$work/prefix/bin/header_mps_group.dat" ] || fail "group definitions installed in bin/"
    check_programs "$work/prefix"
    check_documents "$work/prefix"
    check_completion "$work/prefix"
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
    check_completion "$work/root/usr"
    check_package_documents "$work/root/usr"
    [ "$extra" != lintian ] || check_lintian "$deb"
    ;;
  *)
    fail "unknown mode $mode"
    ;;
esac
echo "ok: $mode"
