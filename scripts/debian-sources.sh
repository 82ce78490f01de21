#!/usr/bin/env bash
# Unpacks Debian's source packages, each NAME=VERSION, into FOLDER, adding a deb-src entry for
# the archive the machine already uses when it has none. When the archive no longer serves a
# version's sources (a security update whose sources this mirror lacks), the release's own
# version of them. Needs dpkg-dev. Debian 12, as root.
#
#   scripts/debian-sources.sh FOLDER NAME=VERSION...
set -euo pipefail
folder=$1
shift

if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >/etc/apt/sources.list.d/grondel-deb-src.sources
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/grondel-deb-src.list
    fi
    apt-get update -qq
fi

release=$(. /etc/os-release && echo "$VERSION_CODENAME")
for source in "$@"; do
    (cd "$folder" && { apt-get source -qq --only-source "$source" >/dev/null 2>&1 ||
        { echo "debian-sources: no sources for $source, using ${source%%=*}/$release" >&2
          apt-get source -qq --only-source "${source%%=*}/$release" >/dev/null; }; })
done
