#!/usr/bin/env bash
# Cross-builds qm410a-panel.exe, qm520a-panel.exe and qmctl.exe for 64-bit Windows (Debian 12,
# as root) into build-windows/, in Release with warnings as errors, and packs the installer and
# the portable zip there. Qt's base module for Windows is built once from Debian's own source
# of the Qt version the Linux build uses, into a cache outside the checkout that later runs
# reuse:
#   scripts/build-windows.sh          Qt if not cached, then the programs and both packages
#   scripts/build-windows.sh --qt     only Qt
#   scripts/build-windows.sh --qt-cached   exits 0 when Qt is cached, 1 when it is to be built
# QM_WINDOWS_CACHE names the cache's parent folder (default /var/cache/qm-control-panel).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

qt_version=6.4.2
# What Qt is built with; the cache folder's name carries the version and a digest of these.
# OpenGL stays on (desktop): 6.4's Windows platform plugin does not compile without it.
# Debian's source has no Wacom header, hence no tablet events. Shared, as Qt's licence wants.
qt_flags=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
          -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
          -DFEATURE_opengl=ON -DINPUT_opengl=desktop -DFEATURE_tabletevent=OFF
          -DFEATURE_sql=OFF -DFEATURE_network=ON -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
          -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON -DINPUT_openssl=no)
flags_digest=$(printf '%s\n' "${qt_flags[@]}" | sha256sum | cut -c1-10)
cache_root=${QM_WINDOWS_CACHE:-/var/cache/qm-control-panel}
qt_prefix=$cache_root/qt-$qt_version-mingw64-posix-shared-$flags_digest

if [[ "${1:-}" == --qt-cached ]]; then
  [[ -f $qt_prefix/.complete ]]
  exit
fi
need_packages "${build_packages[@]}" "${windows_packages[@]}"

# Adds Debian's source archive for this suite, so that apt-get source finds qt6-base.
add_source_archive() {
  local list=/etc/apt/sources.list.d/qm-debian-src.sources
  [[ -f $list ]] && return
  cat >"$list" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq
}

# Builds Qt into $qt_prefix; the source and the build tree (1.5 GB) go afterwards. A prefix
# without its stamp is a build that stopped half way and is made again.
build_qt() {
  [[ -f $qt_prefix/.complete ]] && return
  add_source_archive
  work=$(mktemp -d "$cache_root/qt-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  echo "Building Qt $qt_version for Windows into $qt_prefix (about 20 minutes on two cores)"
  local started=$SECONDS
  (cd "$work" && apt-get source --download-only -qq qt6-base >/dev/null)
  tar -xf "$work"/qt6-base_"$qt_version"*.orig.tar.xz -C "$work"
  rm -rf "$qt_prefix"
  mkdir -p "$qt_prefix"
  # Qt's own toolchain file chains to this one by path: keep it with the cache, not the checkout.
  cp cmake/windows/mingw-toolchain.cmake "$qt_prefix/"
  printf '%s\n' "${qt_flags[@]}" >"$qt_prefix/configure-flags.txt"
  nice -n 19 cmake -S "$work"/qtbase-everywhere-src-"$qt_version" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/mingw-toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" "${qt_flags[@]}" >"$work/configure.log"
  nice -n 19 cmake --build "$work/build" >"$work/build.log" ||
    { tail -n 40 "$work/build.log" >&2; return 1; }
  nice -n 19 cmake --install "$work/build" >/dev/null
  cp -r "$work"/qtbase-everywhere-src-"$qt_version"/LICENSES "$qt_prefix/LICENSES"
  echo "$((SECONDS - started))" >"$qt_prefix/build-seconds.txt"
  touch "$qt_prefix/.complete"
  rm -rf "$work"
  echo "Qt built in $((SECONDS - started)) s, $(du -sh "$qt_prefix" | cut -f1) cached"
}

mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9 # one Qt build at a time, also across checkouts
build_qt
exec 9>&-
[[ "${1:-}" == --qt ]] && exit 0

# The tools that draw the pointer files and the icon run during the build, so they come from a
# build tree for this machine: build-release/ as scripts/build-release.sh makes it, or another
# one named by QM_HOST_BUILD (the tests' build/).
host=${QM_HOST_BUILD:-build-release}
if [[ "$host" == build-release ]]; then
  bash scripts/build-release.sh --tools
else
  cmake --build "$host" --target qm_make_cursors qm_make_icon
fi

cmake -S . -B build-windows -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQM_WERROR=ON -DQM_HOST_BUILD="$(realpath "$host")" >/dev/null
cmake --build build-windows
(cd build-windows && cpack -G "NSIS;ZIP" >/dev/null)
ls -l build-windows/*.exe build-windows/*.zip
