#!/usr/bin/env bash
# The server-only build as a server's developer makes it from docs/servers.md, on a machine without
# the test suite's packages: configured with the preset "server" while GoogleTest, OpenSSL,
# nlohmann-json and Google Benchmark are hidden from CMake (a find_package of any of them fails the
# configure), built, and installed with cmake --install into a fresh prefix, which must then hold
# the server's files and nothing else. Then the doc's C, Java and Python examples, cut from the doc
# itself, are built against that prefix (C as C11 with warnings as errors, through pkg-config;
# Java with no library path given, so the jar must find its JNI library itself) and run: without
# an argument (usage, status 2), on an encoded text (decoded), on an empty string's text and on a
# text with a full-width "*" (both refused, status 1).
# Arguments: the source tree, a scratch folder, then java and javac, and the CPython the Python
# module is built for (each "" when there is none).
set -euo pipefail
src=$1 scratch=$2 java=${3:-} javac=${4:-} python=${5:-}
build=$scratch/build prefix=$scratch/prefix
rm -rf "$scratch"
mkdir -p "$scratch"

hidden=()
for package in GTest OpenSSL nlohmann_json benchmark; do
  hidden+=("-DCMAKE_DISABLE_FIND_PACKAGE_$package=ON")
done
SECONDS=0
(cd "$src" && cmake --preset server -B "$build" --no-warn-unused-cli "${hidden[@]}") \
  >"$scratch/configure.log"
cmake --build "$build" --parallel 2 >"$scratch/build.log"
echo "server-only build: configured and built in $SECONDS s"
cmake --install "$build" --prefix "$prefix" >/dev/null

# What the install holds: the C library and its development files, the Java binding when a JDK
# was found, and the two programs, with each package's copyright and changelog; nothing of the
# browser side.
version=$(sed -n 's/^project([a-z]* VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
expected=(
  bin/spw-decode bin/spw-encode-text include/securepassword/decode.h
  lib/cmake/SecurePasswordDecode/SecurePasswordDecodeConfig.cmake
  lib/cmake/SecurePasswordDecode/SecurePasswordDecodeConfigVersion.cmake
  lib/cmake/SecurePasswordDecode/SecurePasswordDecodeTargets-release.cmake
  lib/cmake/SecurePasswordDecode/SecurePasswordDecodeTargets.cmake
  lib/libsecurepassword-decode.so lib/libsecurepassword-decode.so.1
  "lib/libsecurepassword-decode.so.$version" lib/pkgconfig/securepassword-decode.pc)
packages=(libsecurepassword-decode1 libsecurepassword-decode-dev securepassword-tools)
if [ -n "$java" ]; then
  expected+=(lib/jni/libsecurepassword-decode-jni.so share/java/securepassword-decode.jar)
  packages+=(libsecurepassword-decode-java)
fi
for package in "${packages[@]}"; do
  expected+=("share/doc/$package/changelog.gz" "share/doc/$package/copyright")
done
installed=$(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$installed" != "$wanted" ]; then
  echo "installed (<) against the server's parts (>):" >&2
  diff <(echo "$installed") <(echo "$wanted") >&2
  exit 1
fi

# The doc's example in the fenced block of the given language, which must be the only one.
example() {
  local count
  count=$(grep -cx '```'"$1" "$src/docs/servers.md")
  if [ "$count" != 1 ]; then
    echo "docs/servers.md has $count $1 examples, not 1" >&2
    return 1
  fi
  sed -n '/^```'"$1"'$/,/^```$/p' "$src/docs/servers.md" | sed '1d;$d'
}

text=$("$prefix/bin/spw-encode-text" -- 's3cret-Pa55' </dev/null)
empty=$("$prefix/bin/spw-encode-text" -- '' </dev/null)
wide="ABC＊$text"

# Runs the example program (the command after name and cut_as) without an argument and on each
# text, and compares what it prints and its status with what the doc's examples promise. cut_as
# is how the refusal names the full-width "*": as a character of a string, or as a byte in C.
check() {
  local name=$1 cut_as=$2 input out status
  shift 2
  status=0
  "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
  if [ "$status" != 2 ] || ! grep -q '^usage: ' "$scratch/err"; then
    echo "$name example without an argument: status $status, $(cat "$scratch/out" "$scratch/err")" >&2
    return 1
  fi
  for input in "$text" "$empty" "$wide"; do
    status=0
    out=$("$@" "$input" 2>&1) || status=$?
    case $input:$status:$out in
      "$text:0:11 bytes, variant "[0-9]*) ;;
      "$empty:1:refused: empty password") ;;
      "$wide:1:refused: invalid-character at offset 3: $cut_as is not a letter, a digit or \"*\"") ;;
      *)
        echo "$name example on ${input:0:12}...: status $status, printed: $out" >&2
        return 1
        ;;
    esac
  done
  echo "$name example: usage, decoded, empty and bad texts refused, as the doc says"
}

# Program arguments are read as UTF-8 whatever the machine's locale.
export LC_ALL=C.UTF-8
libdir=$prefix/lib
example c >"$scratch/login.c"
# shellcheck disable=SC2046  # pkg-config's flags are words
cc -std=c11 -Wall -Wextra -Wpedantic -Werror "$scratch/login.c" -o "$scratch/login" \
  $(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs securepassword-decode)
LD_LIBRARY_PATH=$libdir check C "byte 0xEF" "$scratch/login"

if [ -n "$java" ]; then
  jar=$prefix/share/java/securepassword-decode.jar
  mkdir -p "$scratch/java"
  example java >"$scratch/java/Login.java"
  "$javac" -Werror -Xlint:all -cp "$jar" -d "$scratch/java" "$scratch/java/Login.java"
  check Java "character U+FF0A" "$java" -cp "$jar:$scratch/java" Login
fi

if [ -n "$python" ]; then
  module=$(find "$build/bindings/python" -name 'securepassword_decode*.so' -printf '%h' -quit)
  example python >"$scratch/login.py"
  PYTHONPATH=$module check Python "character U+FF0A" "$python" "$scratch/login.py"
fi
