#!/usr/bin/env bash
# `pip install .` from the source tree, as a Python server's developer runs it: into a fresh venv
# over the system's CPython (Debian's own site is externally managed), without fetching anything;
# then the installed module, imported from outside the tree, decodes an encoder's text.
# Arguments: the source tree, a scratch folder, the CPython, the shared table of texts.
set -euo pipefail
src=$1 scratch=$2 python=$3 vectors=$4
rm -rf "$scratch"
"$python" -m venv --system-site-packages "$scratch/venv"
"$scratch/venv/bin/pip" install --quiet --no-build-isolation --no-index --no-cache-dir "$src"
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
