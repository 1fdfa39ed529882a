#!/usr/bin/env bash
# Format check used by the test script: every C and C++ file in the repository must be as
# clang-format (with the repository's .clang-format) writes it, and every shell script (a *.sh
# file, or a file whose first line starts it with sh or bash) must pass shellcheck. Lists the
# files that differ and what shellcheck finds.
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
