#!/usr/bin/env bash
# Installs, with apt-get, whatever a fresh Debian 12 machine lacks to build, run and test the
# project. Used by session.sh and test.sh; does nothing when everything is present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev          # fuzz targets (libFuzzer) and LeakSanitizer
  libgtest-dev libgmock-dev         # the test suite
  libbenchmark-dev                  # the benchmarks
  libssl-dev                        # test and benchmark peer for AES
  nlohmann-json3-dev                # JSON of the native messaging host
  default-jdk-headless junit5       # the decoder's Java binding and its JUnit 5 tests
  python3-dev python3-pytest        # the decoder's Python binding and its tests
  python3-venv python3-pip python3-setuptools  # the `pip install .` test
  dpkg-dev file                     # dpkg-shlibdeps and file, for the Debian packages (cpack)
  lintian                           # the packages' check in the test command
  openssl                           # signs the extension's CRX, makes the development key
  iproute2                          # network namespaces in the identification tests
  valgrind
  gdb                               # core dumps (gcore) in the secret-hygiene tests
  clang-format shellcheck           # the format check (C and C++; shell scripts)
  chromium firefox-esr              # the browser extension's end-to-end tests
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js drives the browser tests (puppeteer-core from npm); any packaging of it will do.
command -v node >/dev/null || missing+=(nodejs)
command -v npm >/dev/null || missing+=(npm)

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
