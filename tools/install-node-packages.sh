#!/usr/bin/env bash
# Installs the project's node packages (the JavaScript checks' tools and puppeteer-core for the
# browser tests, as pinned by package-lock.json) into node_modules at the top of the tree with
# `npm ci`, unless that exact lock file is installed already. Used by the format check and the
# browser tests.
set -euo pipefail
cd "$(dirname "$0")/.."
if cmp -s package-lock.json node_modules/.installed-lock.json; then
  exit 0
fi
npm ci --no-audit --no-fund --loglevel=error
cp package-lock.json node_modules/.installed-lock.json
