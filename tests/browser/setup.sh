#!/usr/bin/env bash
# Installs the browser tests' node packages (puppeteer-core, as pinned by package-lock.json) into
# tests/browser/node_modules with `npm ci`, unless that exact lock file is installed already.
set -euo pipefail
cd "$(dirname "$0")"
if cmp -s package-lock.json node_modules/.installed-lock.json; then
  exit 0
fi
npm ci --no-audit --no-fund --loglevel=error
cp package-lock.json node_modules/.installed-lock.json
