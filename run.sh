#!/usr/bin/env bash
# Installs what is missing, builds Korvana (Release), installs it into its own folder and
# starts it. The data files live beside the program in that folder.
set -euo pipefail
cd "$(dirname "$0")"

prefix="${KORVANA_HOME:-$HOME/Korvana}"

./scripts/setup-deps
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKORVANA_BUILD_TESTS=OFF -DKORVANA_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"

if [ ! -f build-release/korvana ]; then
  echo "Korvana's libraries are built; the program window does not exist yet, so there is nothing to start."
  exit 0
fi

cmake --install build-release --prefix "$prefix" >/dev/null
echo "Korvana is installed in $prefix; its data files live there."
exec "$prefix/korvana"
