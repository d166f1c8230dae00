# Shared by the scripts: installing what the build and the tests need, and building.
# shellcheck shell=bash

ZENTAK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZENTAK_PACKAGES=(
  build-essential cmake pkg-config
  dpkg-dev file appstream lintian desktop-file-utils
  libwxgtk3.2-dev libgtk-3-dev libgtk-layer-shell-dev
  libx11-dev libxcb1-dev libxtst-dev libxi-dev libxrandr-dev libxkbcommon-dev libglib2.0-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xterm x11-utils x11-xkb-utils xkb-data trayer
  clang libclang-rt-14-dev
  openbox
  libwayland-dev libwayland-bin wayland-protocols sway wev util-linux
  dunst dbus-daemon
  kwin-wayland qtwayland5 plasma-wayland-protocols
  mutter xdg-desktop-portal xdg-desktop-portal-gnome
  xdg-desktop-portal-kde
  pipewire
)

# Installs every package that is missing (as root on Debian).
install_missing() {
  local missing=()
  local p
  for p in "${ZENTAK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build_tree DIR [cmake options...]: configures (once) and builds the tree in DIR.
build_tree() {
  local dir=$1
  shift
  cmake -S "$ZENTAK_ROOT" -B "$ZENTAK_ROOT/$dir" "$@" >/dev/null
  cmake --build "$ZENTAK_ROOT/$dir" -j"$(nproc)"
}
