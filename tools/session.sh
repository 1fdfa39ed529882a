#!/usr/bin/env bash
# The main job: installs what is missing, builds the project, and starts it. Arguments are passed
# to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh >&2
{ cmake --preset default && cmake --build --preset default; } >&2
exec build/default/tools/encode-text "$@"
