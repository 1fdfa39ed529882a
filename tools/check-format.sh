#!/usr/bin/env bash
# Format check used by the test script: every C and C++ file in the repository must be as
# clang-format (with the repository's .clang-format) writes it. Lists the files that differ.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
clang-format --dry-run --Werror "${files[@]}"
echo "Format check: ${#files[@]} files as clang-format writes them."
