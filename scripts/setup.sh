#!/usr/bin/env bash
# Installs what building and testing Grondel needs, only what is missing (Debian 12, as root).
set -euo pipefail

# fonts-liberation: Liberation Sans has the metrics of the classic sans serif the windows were
# drawn with. The tests also run with DejaVu alone, which every Debian machine has.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev qt6-image-formats-plugins
          fonts-liberation fonts-dejavu-core libspng-dev libjpeg62-turbo-dev zlib1g-dev
          libgtest-dev libbenchmark-dev locales dpkg-dev "$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests prove that model numbers ignore a decimal-comma locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

# The converter links every library in; Debian ships libspng's shared library only, so its static
# one is built once from Debian's sources. Without it the converter still builds, linked to the
# shared libraries, only slower to start.
"$(dirname "$0")/static-spng.sh" ||
    echo "setup: no static libspng; grondel-convert will link the shared libraries" >&2
