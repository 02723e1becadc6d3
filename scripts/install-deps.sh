#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the screenshots and the
# making of the product's own packages need, but only those that are missing,
# so a second run costs nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libmosquitto-dev nlohmann-json3-dev mosquitto mosquitto-clients openssl
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools libqt6help6
  libgl1-mesa-dev
  pybind11-dev python3-dev python3-numpy python3-pytest
  xvfb xauth x11-utils imagemagick fonts-dejavu-core xdg-utils locales
  qemu-system-x86 linux-image-amd64 busybox-static cpio
  dpkg-dev lintian xdotool
)

# The tests format numbers in an English and a German locale.
locales_wanted=(en_US.UTF-8 de_DE.UTF-8)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

generate=()
for l in "${locales_wanted[@]}"; do
  locale -a 2>/dev/null | grep -qix "$(echo "$l" | sed 's/UTF-8/utf8/')" || generate+=("$l")
done
if [ ${#generate[@]} -gt 0 ]; then
  echo "Generating locales: ${generate[*]}"
  for l in "${generate[@]}"; do
    $sudo sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null
fi
