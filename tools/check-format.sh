#!/usr/bin/env bash
# Format check used by the test script: every C and C++ file in the repository must be as
# clang-format (with the repository's .clang-format) writes it (the files that differ are listed),
# and the JavaScript must pass its own checks (npm test).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
clang-format --dry-run --Werror "${files[@]}"
echo "Format check: ${#files[@]} files as clang-format writes them."

# The JavaScript: prettier's format, the linter, the type check and the pure helpers' unit tests
# (package.json's "npm test"), with the tools pinned by package-lock.json.
bash tools/install-node-packages.sh
npm test --silent
echo "JavaScript check: format, lint, types and unit tests pass."
