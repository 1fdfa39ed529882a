#!/usr/bin/env bash
# The browser demo: builds what it needs (the plug-in, the native host, the decoder), installs the
# browser tests' node packages, and opens Chromium with the extension (extension/) on a log-in
# page, headless where there is no display. It types a password into the secure field, saves a
# screenshot (default: securepassword-demo.png here) and prints what the page's script received.
# The native host is registered in a throwaway browser profile only; nothing is installed.
#   bash tools/demo-browser.sh [SCREENSHOT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
screenshot="$(realpath -m "${1:-securepassword-demo.png}")"
cd "$root"
bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target securepassword securepassword-host decode
bash tools/install-node-packages.sh
SPW_BUILD_DIR="$root/build/default" node tools/demo-browser/demo.mjs "$screenshot"
