#!/usr/bin/env bash
# The programs as a user installs them. A build configured for /usr is
# installed into a temporary prefix: its file list, launcher and metadata are
# validated, and corvane-cli and corvane (under Xvfb) are started from another
# folder, corvane finding its help page in that prefix. Then the same build
# gives the Debian package, whose contents and dependencies are checked and
# which lintian checks as a distribution does; a package made from the default
# build (configured for /usr/local) must hold the same /usr files. Every check
# runs; the script fails at the end when any did. Builds in build-package (the
# `package` preset) and, when it is not built yet, in build (the default one).
set -euo pipefail
cd "$(dirname "$0")/.."

id=io.github.corvane.Corvane
tmp=$(mktemp -d)
prefix=$tmp/prefix
elsewhere=$tmp/elsewhere # an empty folder: no help page, no program
mkdir -p "$elsewhere"
trap 'rm -rf "$tmp"' EXIT

installed_files() {
  cat <<EOF
bin/corvane
bin/corvane-cli
share/applications/$id.desktop
share/corvane/corvane.html
share/doc/corvane/changelog.gz
share/doc/corvane/copyright
share/icons/hicolor/256x256/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/corvane-cli.1.gz
share/man/man1/corvane.1.gz
share/metainfo/$id.metainfo.xml
share/mime/packages/$id.xml
EOF
}

failures=()
# Runs `function` in a subshell that stops at its first failing command.
check() {
  local name=$1 status=0
  shift
  echo "== $name"
  set +e
  (
    set -e
    "$@"
  )
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then
    echo "FAIL: $name" >&2
    failures+=("$name")
  fi
}
fail() {
  echo "   $*" >&2
  return 1
}

# shellcheck source=../tests/e2e/x_server.sh
source tests/e2e/x_server.sh

check_file_list() {
  local listed
  listed=$(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
  [ "$listed" = "$(installed_files)" ] ||
    fail "installed files differ from the expected list:$(echo && diff <(installed_files) <(echo "$listed"))"
  for program in corvane corvane-cli; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
  done
  for size in 48 256; do
    local png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
  done
}

check_desktop_entry() {
  local entry=$prefix/share/applications/$id.desktop report
  report=$(desktop-file-validate "$entry") || fail "desktop-file-validate: $report"
  ! grep -E 'error|warning' <<<"$report" || fail "desktop-file-validate warns"
  grep -qx 'Name=Corvane' "$entry" || fail "Name is not Corvane"
  grep -q '^Comment=' "$entry" || fail "no English comment"
  grep -q '^Comment\[ja\]=' "$entry" || fail "no Japanese comment"
  grep -qx 'Categories=Science;Astronomy;' "$entry" || fail "wrong categories"
  grep -qx "Icon=$id" "$entry" || fail "the icon is not $id"
  local exec
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$prefix/bin/$exec" ] || fail "Exec=$exec is not an installed program"
  grep -qx 'Exec=corvane %f' "$entry" || fail "Exec does not pass the file it opens"
  grep -qx 'MimeType=application/x-corvane-scene;' "$entry" || fail "no scene MimeType"
}

# The scene files' type in a desktop's databases built from the prefix alone:
# a *.cvn is a Corvane scene, and Corvane the program that opens it. GNOME's
# way (gio), as the generic one only asks file(1).
check_scene_type() {
  local share=$prefix/share scene=$tmp/elsewhere/galaxy.cvn type default
  update-mime-database "$share/mime"
  update-desktop-database "$share/applications"
  printf 'Corvane V9.0\r\n5\r\n' >"$scene"
  export XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME=$tmp/no-data XDG_DATA_DIRS=$share XDG_CONFIG_HOME=$tmp/no-config
  export PATH=$prefix/bin:$PATH
  type=$(xdg-mime query filetype "$scene")
  [ "$type" = application/x-corvane-scene ] || fail "a .cvn is $type"
  default=$(xdg-mime query default application/x-corvane-scene)
  [ "$default" = "$id.desktop" ] || fail "scenes open with \"$default\""
  rm -f "$scene"
  # The prefix again as installed.
  find "$share/mime" -mindepth 1 -maxdepth 1 ! -name packages -exec rm -rf {} +
  rm -f "$share/applications/mimeinfo.cache"
}

check_metadata() {
  local metainfo=$prefix/share/metainfo/$id.metainfo.xml
  appstreamcli validate --no-net "$metainfo"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not name the desktop entry"
  grep -q "<mediatype>application/x-corvane-scene</mediatype>" "$metainfo" ||
    fail "the metadata does not provide the scene type"
}

check_cli_elsewhere() {
  cd "$elsewhere"
  local cli=$prefix/bin/corvane-cli printed
  printed=$("$cli" --version)
  [ "$printed" = "corvane-cli $version" ] || fail "--version printed \"$printed\""
  "$cli" new -o a.cvn --seed 7 --free 100 --disk 200 --hole 1.0e10
  "$cli" run a.cvn -o b.cvn --steps 5 --seed 7
  "$cli" render b.cvn -o b.png --view 320x200
  [ "$(identify -format '%wx%h' b.png)" = "320x200" ] || fail "render wrote no 320x200 picture"
  local status=0
  "$cli" render missing.cvn -o c.png 2>/dev/null || status=$?
  [ "$status" -eq 1 ] || fail "a missing scene gave status $status, not 1"
  rm -f a.cvn b.cvn b.png
}

# The sizes of the icons a window offers its window manager, e.g. "48x48 256x256".
window_icon_sizes() {
  xprop -id "$1" -notype -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/^[^=]*= //' | tr -d ' ' |
    tr ',' '\n' | awk '{ v[n++] = $1 } END { i = 0; while (i + 1 < n) { printf "%dx%d ", v[i], v[i + 1]; i += 2 + v[i] * v[i + 1] } }'
}

# The installed corvane on a private X server, started from another folder
# with a stand-in for the desktop's document opener: its window carries the
# icon theme's icon, and Help opens the installed help page.
check_program_elsewhere() {
  # Not local: the exit trap runs after the function has returned.
  xvfb_pid="" app_pid=""
  local bad=0
  trap '[ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait' EXIT
  start_x_server 1280x1024x24 "$tmp/xvfb.log" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"

  export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/runtime
  mkdir -p "$XDG_CONFIG_HOME" "$tmp/fakebin"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  # The installed icon theme, as a desktop that has the prefix among its data folders.
  export XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share
  printf '#!/bin/sh\necho "$1" >"%s"\n' "$tmp/opened" >"$tmp/fakebin/xdg-open"
  chmod +x "$tmp/fakebin/xdg-open"
  export PATH=$tmp/fakebin:$PATH QT_QPA_PLATFORM=xcb LANG=C.UTF-8
  unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP

  cd "$elsewhere"
  "$prefix/bin/corvane" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_until 15 bash -c "xdotool search --onlyvisible --name '^Corvane' | grep -q ." ||
    fail "no main window: $(cat "$tmp/app.log")"
  local main panel sizes
  main=$(xdotool search --onlyvisible --name '^Corvane' | head -n 1)

  sizes=$(window_icon_sizes "$main")
  if [[ " $sizes " != *" 48x48 "* ]]; then
    echo "   the window offers icons of $sizes, not the theme's 48x48 one" >&2
    bad=1
  fi

  xdotool mousemove --window "$main" 300 200 click 3
  wait_until 5 bash -c "xdotool search --onlyvisible --name '^corvane 設定\$' | grep -q ." ||
    fail "a right click did not show the panel"
  panel=$(xdotool search --onlyvisible --name '^corvane 設定$' | head -n 1)
  xdotool mousemove --window "$panel" 30 220 click 1 # Help
  if ! wait_until 5 test -s "$tmp/opened"; then
    echo "   Help opened nothing" >&2
    bad=1
  elif [ "$(cat "$tmp/opened")" != "$prefix/share/corvane/corvane.html" ]; then
    echo "   Help opened $(cat "$tmp/opened"), not the installed page" >&2
    bad=1
  fi

  xdotool mousemove --window "$panel" 30 260 click 1 # Exit
  wait_until 10 bash -c "! kill -0 $app_pid" || fail "the program did not end on Exit"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
  return "$bad"
}

# The files under usr/ of package $1 are those the install rules lay out.
check_package_files() {
  local listed
  listed=$(dpkg-deb -c "$1" | awk '$1 ~ /^-/ { print $6 }' | sort)
  [ "$listed" = "$(installed_files | sed 's|^|./usr/|')" ] ||
    fail "the package's files differ:$(echo && diff <(installed_files | sed 's|^|./usr/|') <(echo "$listed"))"
}

check_package() {
  local deb=build-package/corvane_${version}_amd64.deb depends
  [ -f "$deb" ] || fail "cpack made no $deb"
  check_package_files "$deb"
  [ "$(dpkg-deb -f "$deb" Package Version Architecture | paste -sd' ')" = \
    "Package: corvane Version: $version Architecture: amd64" ] ||
    fail "wrong name, version or architecture: $(dpkg-deb -f "$deb" Package Version Architecture)"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "   Depends: $depends"
  for needed in libc6 libavcodec59 libqt6core6 libqt6gui6 libqt6widgets6 \
    qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "the package does not depend on $needed"
  done
}

# The packaged programs are stripped, without the compiler's notes, and
# hardened: relocations bound at start and read-only, checked library calls.
check_package_programs() {
  dpkg-deb -x "build-package/corvane_${version}_amd64.deb" "$tmp/unpacked"
  for program in corvane corvane-cli; do
    local file=$tmp/unpacked/usr/bin/$program sections dynamic headers symbols
    sections=$(readelf -S "$file") dynamic=$(readelf -d "$file") headers=$(readelf -l "$file")
    symbols=$(nm -D "$file")
    ! grep -qE '\.(comment|debug_|symtab)' <<<"$sections" ||
      fail "$program keeps symbols, debugging information or .comment"
    grep -q 'BIND_NOW' <<<"$dynamic" || fail "$program is not linked with -z now"
    grep -q 'GNU_RELRO' <<<"$headers" || fail "$program is not linked with -z relro"
    grep -q '_chk@' <<<"$symbols" || fail "$program calls no checked (fortified) function"
  done
}

check_lintian() {
  lintian --fail-on error,warning "build-package/corvane_${version}_amd64.deb"
}

# `cpack -G DEB` in the default build, configured for /usr/local, still
# makes a /usr package.
check_default_build_package() {
  cmake --preset default >/dev/null
  cmake --build --preset default >/dev/null
  (cd build && cpack -G DEB -B "$tmp/default-package" >/dev/null)
  check_package_files "$tmp/default-package/corvane_${version}_amd64.deb"
}

echo "== build for /usr and install into a temporary prefix"
cmake --preset package >"$tmp/configure.log" || {
  cat "$tmp/configure.log"
  exit 1
}
cmake --build --preset package
cmake --install build-package --prefix "$prefix" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package/CMakeCache.txt)

check "installed files" check_file_list
check "desktop entry" check_desktop_entry
check "AppStream metadata" check_metadata
check "scene file type" check_scene_type
check "installed corvane-cli from another folder" check_cli_elsewhere
check "installed corvane from another folder: icon and help page" check_program_elsewhere

echo "== the Debian package"
rm -f build-package/corvane_*.deb
cpack --preset package >/dev/null
check "Debian package" check_package
check "packaged programs stripped and hardened" check_package_programs
check "lintian" check_lintian
check "package from the default build" check_default_build_package

if [ ${#failures[@]} -gt 0 ]; then
  printf 'install checks failed: %s\n' "${failures[*]}" >&2
  exit 1
fi
echo "install checks: all passed"
