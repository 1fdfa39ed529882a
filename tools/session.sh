#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in module and the page session, and runs
# the page session with the built module. Keys come from the terminal, or from standard input when
# it is a pipe (printf 'secret\r' | bash tools/session.sh). Arguments are passed to page-session.
set -euo pipefail
cd "$(dirname "$0")/.."
# Standard input belongs to the page: the set-up steps never read it.
bash tools/install-deps.sh >&2 </dev/null
{ cmake --preset default && cmake --build --preset default --target page-session; } >&2 </dev/null
exec build/default/page_session/page-session "$@"
