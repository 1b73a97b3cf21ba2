# Sourced by the scripts: the Debian packages each job needs, and need_packages, which
# installs those of them that are missing (Debian 12, as root).

# Building the two panels, the emulated unit and qmctl.
build_packages=(build-essential cmake ninja-build ccache pkg-config
                qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev)
# Showing a panel on a machine without a display.
headless_packages=(xvfb xauth fonts-dejavu-core)
# Cross-building for Windows and packing its installer.
windows_packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 nsis)
# Running the Windows programs under Wine on a display of its own, driven from outside.
windows_test_packages=(wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick unzip ser2net)
# Making the Debian package.
package_packages=(dpkg-dev file)
# The tests, the fuzzer, the benchmarks and the pictures, on top of all the above.
test_packages=(libbenchmark-dev clang clang-format clang-tidy libclang-rt-14-dev
               x11-utils imagemagick fonts-dejavu-extra
               desktop-file-utils appstream man-db lintian ser2net
               at-spi2-core python3-pyatspi dbus-daemon)

need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
