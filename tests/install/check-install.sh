#!/usr/bin/env bash
# Checks what installing puts on a machine.
#
#   check-install.sh Files|DesktopEntry|AppStream|DebianPackage BUILD_DIR SOURCE_DIR VERSION
#
# Files          `cmake --install BUILD_DIR --prefix /usr` into a scratch root
#                (DESTDIR): exactly the expected files, runnable programs
#                that print VERSION (the project's), both man pages.
# DesktopEntry   the installed desktop entry passes desktop-file-validate and
#                names the installed program, icon and song file type; the
#                file type, compiled with update-mime-database, gives *.kvs
#                the type "Tarvo Song File".
# AppStream      the installed tree passes `appstreamcli validate-tree`; the
#                metainfo's release is VERSION.
# DebianPackage  `cpack -G DEB`: the package's name, control fields, Depends
#                and files, and that the programs in it run.
#
# Exits 77 (skipped) when a tool the check needs is missing.
set -euo pipefail

mode=${1:?mode}
build=$(cd "${2:?build dir}" && pwd)
source=$(cd "${3:?source dir}" && pwd)
version=${4:?version}
mime_type=application/x-tarvo-song

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

# The files below the prefix, as installed with prefix /usr.
expected_files() {
  cat <<EOF
usr/bin/kvsdump
usr/bin/tarvo-analyzer
usr/share/applications/io.github.tarvoanalyzer.TarvoAnalyzer.desktop
usr/share/icons/hicolor/scalable/apps/tarvo-analyzer.svg
usr/share/man/man1/kvsdump.1.gz
usr/share/man/man1/tarvo-analyzer.1.gz
usr/share/metainfo/io.github.tarvoanalyzer.TarvoAnalyzer.metainfo.xml
usr/share/mime/packages/tarvo-analyzer.xml
EOF
}

install_into() {
  DESTDIR="$1" cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log" >&2; fail "cmake --install failed"; }
}

# The programs in ROOT run from there: kvsdump loads the demo song, both
# print the version, tarvo-analyzer settles its command line without a display.
check_programs_run() {
  local root=$1
  [ -x "$root/usr/bin/tarvo-analyzer" ] || fail "usr/bin/tarvo-analyzer is not executable"
  [ -x "$root/usr/bin/kvsdump" ] || fail "usr/bin/kvsdump is not executable"
  local out
  out=$("$root/usr/bin/kvsdump" "$source/examples/demo.kvs") || fail "installed kvsdump failed on the demo song"
  grep -q "Number of Modules: 8" <<<"$out" || fail "installed kvsdump printed no module count for the demo song"
  out=$("$root/usr/bin/kvsdump" --help) || fail "installed kvsdump --help failed"
  grep -q "kvsdump" <<<"$out" || fail "installed kvsdump --help printed no usage"
  out=$("$root/usr/bin/kvsdump" --version) || fail "installed kvsdump --version failed"
  [ "$out" = "kvsdump $version" ] || fail "kvsdump --version printed \"$out\", not \"kvsdump $version\""

  # Help, version and usage errors need no display: with none, a program that
  # opened its GUI would abort instead.
  local gui=(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/tarvo-analyzer")
  out=$("${gui[@]}" --help 2>&1) || fail "tarvo-analyzer --help failed without a display: $out"
  grep -q "^Usage: .*tarvo-analyzer .*\[FILE\]" <<<"$out" || fail "tarvo-analyzer --help printed no usage: $out"
  out=$("${gui[@]}" --version 2>&1) || fail "tarvo-analyzer --version failed without a display: $out"
  [ "$out" = "tarvo-analyzer $version" ] || fail "tarvo-analyzer --version printed \"$out\""
  # Qt's own options are no usage error.
  out=$("${gui[@]}" -platform offscreen -style fusion -reverse --version 2>&1) ||
    fail "tarvo-analyzer rejects Qt's options: $out"
  local status=0
  out=$("${gui[@]}" --no-such-option 2>"$scratch/err") || status=$?
  [ "$status" -eq 64 ] || fail "tarvo-analyzer --no-such-option exited with $status, not 64"
  [ -z "$out" ] || fail "tarvo-analyzer --no-such-option printed to standard output"
  grep -q "^Usage:" "$scratch/err" || fail "tarvo-analyzer --no-such-option gave no usage on standard error"
}

# Both man pages in ROOT: compressed, titled with the version.
check_man_pages() {
  local root=$1 program page name
  for program in kvsdump tarvo-analyzer; do
    page=$root/usr/share/man/man1/$program.1.gz
    gzip -t "$page" || fail "the $program man page is not valid gzip"
    gzip -dc "$page" | grep -qx "\.TH [-A-Z]* 1 \"\" \"Tarvo Analyzer $version\" .*" ||
      fail "the $program man page's .TH line does not carry the version $version"
    name=$(gzip -dc "$page" | sed -n '/^\.SH NAME/{n;s/\\-/-/g;p;q}')
    [[ $name == "$program - "* ]] || fail "the $program man page's NAME is \"$name\""
  done
}

case $mode in
Files)
  need cmake gzip
  root=$scratch/root
  install_into "$root"
  (cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$scratch/files"
  expected_files >"$scratch/expected"
  diff -u "$scratch/expected" "$scratch/files" || fail "the installed files differ from the expected ones"
  check_programs_run "$root"
  check_man_pages "$root"
  # Installed programs must not look for libraries in the build tree.
  if command -v readelf >/dev/null 2>&1; then
    for program in tarvo-analyzer kvsdump; do
      if readelf -d "$root/usr/bin/$program" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
        fail "usr/bin/$program keeps a run path into the build folder"
      fi
    done
  fi
  ;;

DesktopEntry)
  need cmake desktop-file-validate update-mime-database
  root=$scratch/root
  install_into "$root"
  entry=$root/usr/share/applications/io.github.tarvoanalyzer.TarvoAnalyzer.desktop
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
  # desktop-file-validate only prints hints and warnings; treat them as faults too.
  [ -z "$(desktop-file-validate "$entry")" ] || fail "desktop-file-validate warns about the desktop entry"

  key() { sed -n "s/^$1=//p" "$entry"; }
  [ "$(key Name)" = "Tarvo Analyzer" ] || fail "Name is not Tarvo Analyzer"
  exec_line=$(key Exec)
  program=${exec_line%% *}
  [ -x "$root/usr/bin/$program" ] || fail "Exec names $program, which is not installed in usr/bin"
  [[ $exec_line == *" %f" ]] || fail "Exec does not pass the file: $exec_line"
  icon=$(key Icon)
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon $icon is not installed"
  if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not well-formed XML"
  fi
  grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not SVG"
  [ "$(key MimeType)" = "$mime_type;" ] || fail "MimeType is not $mime_type;"

  # The file type as the desktop sees it, once update-mime-database compiled it.
  mime=$root/usr/share/mime
  update-mime-database "$mime" >"$scratch/mime.log" 2>&1 ||
    { cat "$scratch/mime.log" >&2; fail "update-mime-database rejects the file type"; }
  grep -qx "[0-9]*:$mime_type:\*\.kvs" "$mime/globs2" || fail "*.kvs is not bound to $mime_type"
  [ -f "$mime/$mime_type.xml" ] || fail "update-mime-database made no $mime_type.xml"
  grep -q "<comment>Tarvo Song File</comment>" "$mime/$mime_type.xml" ||
    fail "$mime_type has no comment \"Tarvo Song File\""
  grep -qx "$mime_type:$icon" "$mime/icons" 2>/dev/null ||
    grep -qx "$mime_type:$icon" "$mime/generic-icons" 2>/dev/null || fail "$mime_type does not use the icon $icon"
  ;;

AppStream)
  need cmake appstreamcli
  root=$scratch/root
  install_into "$root"
  # The id is the desktop entry's name, which is not a reverse domain name:
  # that one warning is known; any other fails.
  appstreamcli validate-tree --no-net "$root/usr" ||
    fail "appstreamcli rejects the installed metainfo"
  metainfo=$root/usr/share/metainfo/io.github.tarvoanalyzer.TarvoAnalyzer.metainfo.xml
  grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$metainfo" || fail "the metainfo's release is not $version"
  grep -qx " *<mediatype>$mime_type</mediatype>" "$metainfo" || fail "the metainfo does not provide $mime_type"
  ;;

DebianPackage)
  need cmake cpack dpkg-deb dpkg
  arch=$(dpkg --print-architecture)
  (cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
  deb=$scratch/out/tarvo-analyzer_${version}_${arch}.deb
  [ -f "$deb" ] || { ls "$scratch/out" >&2; fail "no $(basename "$deb")"; }

  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = tarvo-analyzer ] || fail "Package is $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
  [ "$(field Architecture)" = "$arch" ] || fail "Architecture is $(field Architecture)"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  depends=$(field Depends)
  echo "Depends: $depends"
  # The package names in Depends, without versions.
  names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//')
  for package in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package"
  done

  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | LC_ALL=C sort >"$scratch/files"
  expected_files >"$scratch/expected"
  diff -u "$scratch/expected" "$scratch/files" || fail "the package's files differ from the expected ones"
  # Everything in the package belongs to root.
  if dpkg-deb -c "$deb" | awk '{print $2}' | grep -vqx 'root/root'; then
    fail "the package has files not owned by root/root"
  fi

  root=$scratch/root
  dpkg-deb -x "$deb" "$root"
  check_programs_run "$root"
  check_man_pages "$root"
  ;;

*)
  fail "unknown mode $mode"
  ;;
esac
echo "PASS: $mode"
