#!/usr/bin/env bash
# Installs the build into a staging prefix with cmake --install, then builds the consumer against
# it twice, through find_package (CMake) and through pkg-config, as plain C99 with warnings as
# errors, and runs both on an encoder's text and on a refused one. Also checks that the staged
# header, the soname link and the programs are where the packages put them; the staged
# spw-encode-text makes the text.
# Arguments: the build folder, a scratch folder.
set -euo pipefail
build=$1 scratch=$2 clear=s3cret-Pa55
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
stage=$scratch/stage
cmake --install "$build" --prefix "$stage" >/dev/null
# A plain install writes under its prefix only (the browser package's system paths are its own).
if grep -v "^$stage/" "$build/install_manifest.txt"; then
  echo "installed outside the prefix" >&2
  exit 1
fi
libdir=$(cd "$stage" && dirname "$(find . -name 'libsecurepassword-decode.so.1' | head -1)")
test -n "$libdir" -a -f "$stage/include/securepassword/decode.h"
test -L "$stage/$libdir/libsecurepassword-decode.so"
test -x "$stage/bin/spw-decode"
text=$("$stage/bin/spw-encode-text" -- "$clear" </dev/null)
version=$(sed -n 's/^project([a-z]* VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")

expect() {  # program: the clear text back, then the refusal of a text one unit short
  local out
  out=$("$@" "$text")
  case $out in "$clear "[0-9]*" $version") ;; *) echo "unexpected: $out" >&2; return 1 ;; esac
  out=$("$@" "${text:3}" || true)
  case $out in too-few-units\ *|invalid-*) ;; *) echo "unexpected refusal: $out" >&2; return 1 ;; esac
}

cmake -S "$here/consumer" -B "$scratch/with-cmake" -DCMAKE_PREFIX_PATH="$stage" \
  -DCMAKE_C_FLAGS="-std=c99 -Wall -Wextra -Wpedantic -Werror" >/dev/null
cmake --build "$scratch/with-cmake" >/dev/null
expect "$scratch/with-cmake/consumer"

export PKG_CONFIG_PATH=$stage/$libdir/pkgconfig
read -r -a flags <<< "$(pkg-config --cflags --libs securepassword-decode)"
cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/consumer/consumer.c" -o "$scratch/with-pkg-config" \
  "${flags[@]}"
LD_LIBRARY_PATH=$stage/$libdir expect "$scratch/with-pkg-config"
echo "installed, found with find_package and pkg-config, decoded"
