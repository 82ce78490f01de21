#!/usr/bin/env bash
# Installs what is missing, builds Grondel optimised and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
exec build/release/src/grondel/grondel "$@"
