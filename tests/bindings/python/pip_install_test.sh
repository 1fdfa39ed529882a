#!/usr/bin/env bash
# `pip install .` from the source tree, as a Python server's developer runs it: into a fresh venv
# over the system's CPython (Debian's own site is externally managed), without fetching anything,
# leaving the source tree exactly as it was (the CMake build folder aside); then the installed
# module, imported from outside the tree, decodes an encoder's text.
# Arguments: the source tree, the CMake build folder, a scratch folder, the CPython, the shared
# table of texts.
set -euo pipefail
src=$1 build=$2 scratch=$3 python=$4 vectors=$5
rm -rf "$scratch"
"$python" -m venv --system-site-packages "$scratch/venv"
tree() { find "$src" -path "$build" -prune -o -path "$src/.git" -prune -o -printf '%p %T@\n' | sort; }
tree >"$scratch/tree-before"
MAX_JOBS=2 "$scratch/venv/bin/pip" install --quiet --no-build-isolation --no-index --no-cache-dir \
  "$src"
tree >"$scratch/tree-after"
if ! diff "$scratch/tree-before" "$scratch/tree-after"; then
  echo "pip install changed the source tree (above)" >&2
  exit 1
fi
line=$(grep -m1 -P '^ok\t[0-9a-f]{8,}' "$vectors")
cd "$scratch"
"$scratch/venv/bin/python" - "$line" <<'PY'
import sys
import securepassword_decode as spd
_, clear, variant, _, text = sys.argv[1].split("\t")
r = spd.decode(text)
assert r.clear == bytes.fromhex(clear) and r.variant == int(variant), r
assert "/venv/" in spd.__file__, spd.__file__
print("pip-installed module", spd.version(), "decodes:", spd.__file__)
PY
