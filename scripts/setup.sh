#!/usr/bin/env bash
# Installs what building and testing Grondel needs, only what is missing (Debian 12, as root).
set -euo pipefail

# fonts-liberation: Liberation Sans has the metrics of the classic sans serif the windows were
# drawn with. The tests also run with DejaVu alone, which every Debian machine has.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-svg-dev qt6-image-formats-plugins
          fonts-liberation fonts-dejavu-core libspng-dev libjpeg62-turbo-dev zlib1g-dev
          libgtest-dev libbenchmark-dev locales "$@")
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
