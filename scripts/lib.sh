# shellcheck shell=bash disable=SC2034  # the lists are used by the scripts that source this
# Shared by the scripts in this folder: what each needs installed, and the one
# Linux build they share. The sourcing script sets $root, the project folder.

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

# Building the Linux program (the Qt window, its icon drawn at build time,
# Qt's Italian texts and the window's font built into it) and its folder
# with Qt inside (patchelf sets the program's run path).
linux_build_packages=(cmake make g++ qt6-base-dev qt6-translations-l10n librsvg2-bin
  fonts-liberation2 patchelf)

# A virtual screen, offered by scripts/run when there is no display.
virtual_screen_packages=(xvfb xauth)

# scripts/screenshot: a virtual screen with a window manager (title bars),
# xdotool to type, ImageMagick to take the picture.
screenshot_packages=(xvfb openbox x11-utils xdotool imagemagick)

# The demo program folder of scripts/run and scripts/screenshot: sample files
# in "Originali", a hidden one included, and an empty "Modificati". Made only
# when absent, so a second run shows the copies.
make_demo_folder() {
  local folder=$1
  [ -d "$folder/Originali" ] && return 0
  mkdir -p "$folder/Originali" "$folder/Modificati"
  printf 'foto uno\n' >"$folder/Originali/foto_01.jpg"
  printf 'foto due\n' >"$folder/Originali/foto_02.jpg"
  printf 'documento\n' >"$folder/Originali/documento_01.txt"
  printf 'nascosto\n' >"$folder/Originali/.nascosto_01"
}

# Building rinomina.exe for 32- and 64-bit Windows (the icon needs ImageMagick).
windows_build_packages=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 librsvg2-bin imagemagick)

# The tests on top of the builds: GoogleTest (Debian's build, and its sources
# for the cross builds), an X server driven with xdotool, screenshots, Wine,
# unzip for the packages, debootstrap for the minimal Debian the Linux one
# runs in, and the DejaVu fonts the window's font test offers alone.
test_packages=(libgtest-dev libgmock-dev googletest xvfb xauth xdotool imagemagick wine64 unzip
  debootstrap fonts-dejavu-core)

# What scripts/bench builds with (the project's defaults include the tests).
native_build_packages=(cmake make g++ libgtest-dev libgmock-dev)

# What scripts/test-windows needs: the cross builds, Wine and its X server.
windows_packages=("${windows_build_packages[@]}" googletest wine64 xvfb xdotool imagemagick)

# The Linux build shared by scripts/run, scripts/package and scripts/test:
# Release, as packaged (the program stripped). A new one is made without the
# tests, which need GoogleTest; scripts/test turns them on with
# -DRINOMINA_BUILD_TESTS=ON, and a build that has them keeps them.
linux_build=${root:?}/build/linux
configure_linux_build() {
  local options=("$@")
  [ -f "$linux_build/CMakeCache.txt" ] ||
    options=(-DRINOMINA_BUILD_TESTS=OFF -DRINOMINA_BUILD_BENCH=OFF "${options[@]}")
  cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=Release "${options[@]}"
}

# scripts/coverage's report (the build itself needs only g++'s gcov).
coverage_packages=(gcovr)

# 32-bit Wine run by user-mode QEMU (scripts/wine32): the i386 architecture
# is added first; gcc and binutils build its small preloaded library.
wine32_packages=(wine32:i386 qemu-user-static gcc binutils)
