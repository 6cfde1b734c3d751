#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: once in a normal build and once
# with AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"

./scripts/setup-deps || exit 1

jobs=$(nproc)
status=0

run_build() {  # name, extra cmake arguments...
  local dir=$1; shift
  echo "=== build: $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null || return 1
  cmake --build "$dir" -j "$jobs" || return 1
  echo "=== tests: $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 900
}

run_build build -DCMAKE_BUILD_TYPE=Debug || status=1
run_build build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANA_SANITIZE=ON -DKORVANA_BUILD_BENCH=OFF \
  || status=1

if [ -x scripts/run-fuzz ]; then
  scripts/run-fuzz || status=1
fi

if [ $status -ne 0 ]; then
  echo "=== FAILED"
else
  echo "=== all tests passed"
fi
exit $status
