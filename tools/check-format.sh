#!/usr/bin/env bash
# Format check used by the test script: every C and C++ file in the repository must be as
# clang-format (with the repository's .clang-format) writes it, every shell script (a *.sh file,
# or a file whose first line starts it with sh or bash) must pass shellcheck, and the JavaScript
# must pass its own checks (npm test). Lists the files that differ and what the checkers find.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
clang-format --dry-run --Werror "${files[@]}"
echo "Format check: ${#files[@]} files as clang-format writes them."

scripts=()
while IFS= read -r file; do
  [[ -f "$file" && ! -L "$file" ]] || continue
  if [[ "$file" == *.sh ]] || head -n 1 "$file" | grep -qE '^#!.*[/ ](ba)?sh( |$)'; then
    scripts+=("$file")
  fi
done < <(git ls-files)
shellcheck "${scripts[@]}"
echo "Shell check: ${#scripts[@]} scripts pass shellcheck."

# The JavaScript: prettier's format, the linter, the type check and the pure helpers' unit tests
# (package.json's "npm test"), with the tools pinned by package-lock.json.
bash tools/install-node-packages.sh
npm test --silent
echo "JavaScript check: format, lint, types and unit tests pass."
