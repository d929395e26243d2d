#!/usr/bin/env bash
# Installs what is missing, builds Brindle and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target Brindle
exec ./build/Brindle
