# Shared by scripts/play and scripts/test: installs the Debian packages that are
# missing, then configures and builds one preset.

BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins
  libgtest-dev libgmock-dev
  libasound2-dev
)

TEST_PACKAGES=(
  xvfb xauth xdotool x11-utils
  dbus dbus-x11 at-spi2-core
  python3-pyatspi python3-gi gir1.2-atspi-2.0
  orca qt6-base-private-dev
  clang libclang-rt-14-dev
  appstream desktop-file-utils
  clang-format
)

# scripts/check-deb: CPack's Debian generator (dpkg-shlibdeps, file).
PACKAGING_PACKAGES=(dpkg-dev file)

# scripts/cross-windows: mingw-w64 and GoogleTest's sources, then wine for the tests.
WINDOWS_BUILD_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest)
WINDOWS_TEST_PACKAGES=(wine wine64)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
}

build_preset() {
  local preset=$1
  cmake --preset "$preset"
  cmake --build --preset "$preset"
}
