#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and runs every test in the
# optimised build (benchmarks run once, briefly) and again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

for preset in default asan; do
  echo "== $preset build =="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "All tests passed."
