# Shared by scripts/play, scripts/test and the other scripts: installs the Debian
# packages that are missing, then configures and builds one preset.

# The game alone (the play preset): the compiler, CMake and Ninja, Qt's widgets
# with their platform plugins, ALSA.
PLAY_PACKAGES=(
  cmake ninja-build g++
  qt6-base-dev qt6-qpa-plugins
  libasound2-dev
)

# The game with its test suite (the default and asan presets): GoogleTest, and
# Qt's private headers for the Qt tests (their CMake target needs xkbcommon,
# found through pkg-config).
BUILD_PACKAGES=(
  "${PLAY_PACKAGES[@]}"
  pkg-config libgtest-dev libgmock-dev qt6-base-private-dev
)

# What the suite runs: the screen-reader tests on a private X display and D-Bus
# session, the packaging checks.
TEST_PACKAGES=(
  xvfb xauth xdotool x11-utils
  dbus dbus-x11 at-spi2-core
  python3-pyatspi python3-gi gir1.2-atspi-2.0
  orca
  appstream desktop-file-utils
)

# settings/fuzz/run.sh: clang with libFuzzer.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# scripts/check-deb: CPack's Debian generator (dpkg-shlibdeps, file).
PACKAGING_PACKAGES=(dpkg-dev file)

# packaging/make-ico.sh: the SVG drawn at each size, the sizes packed into one .ico.
ICON_PACKAGES=(librsvg2-bin icoutils)

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
