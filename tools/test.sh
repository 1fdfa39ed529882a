#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and runs every test in the
# optimised build (benchmarks run once, briefly; the Debian packages made from it, installed in a
# private mount namespace and used in the browsers) and again under AddressSanitizer and
# UndefinedBehaviorSanitizer, runs the encoder and the decoder on several threads under
# ThreadSanitizer, then builds the libFuzzer targets (clang) and runs each for a short, bounded
# time. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/check-format.sh

for preset in default asan; do
  echo "== $preset build =="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== ThreadSanitizer: the encoder and the decoder on several threads =="
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan

echo "== fuzz build, each target for ${SPW_FUZZ_SECONDS:-20} s =="
bash tools/fuzz-long.sh --time "${SPW_FUZZ_SECONDS:-20}" --jobs 2
echo "All tests passed."
