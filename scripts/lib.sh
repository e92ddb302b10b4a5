# Shared by the scripts in this folder: installing what is missing.

# Installs the Debian packages among "$@" that are not installed yet.
install_missing_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The packages a native (Linux) build needs.
native_build_packages=(cmake make g++ libgtest-dev libgmock-dev)

# The Qt window and its tests in a real X server.
qt_packages=(qt6-base-dev librsvg2-bin fonts-liberation2 xvfb xauth xdotool imagemagick)

# The Windows cross builds and Wine.
windows_packages=(cmake make googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xdotool
  imagemagick librsvg2-bin)

# 32-bit Wine run by user-mode QEMU (scripts/wine32): the i386 architecture
# is added first; gcc and binutils build its small preloaded library.
wine32_packages=(wine32:i386 qemu-user-static gcc binutils)
