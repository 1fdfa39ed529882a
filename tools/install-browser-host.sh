#!/usr/bin/env bash
# Installs the native host behind the browser extension (extension/) from a build tree, for a
# developer who loads the extension unpacked: builds securepassword-host and the plug-in module and
# installs them, and the host manifests through which Chromium, Google Chrome and Firefox find the
# host, with the install rules of the securepassword-field package (packaging/FieldPackage.cmake:
# components field_host and field_manifests). As root it installs for all users, otherwise for
# the current user. The browser tests use --prefix and --manifests-only.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: tools/install-browser-host.sh [--prefix DIR] [--build-dir DIR] [--no-build]
       tools/install-browser-host.sh --uninstall [--prefix DIR]
       tools/install-browser-host.sh --manifests-only --host PROGRAM [--build-dir DIR]
                                     [--chromium-dir DIR] [--firefox-dir DIR]

Builds securepassword-host and libsecurepassword.so (preset "default", or the build folder
given), installs them in the folder DIR (as root /usr/local/lib/securepassword, otherwise
~/.local/lib/securepassword) and writes the native messaging host manifests for
"net.securepassword.host":
  as root:   the folders the package uses (/etc/chromium/native-messaging-hosts,
             /etc/opt/chrome/native-messaging-hosts, /usr/lib/mozilla/native-messaging-hosts)
  as a user: ~/.config/chromium/NativeMessagingHosts, ~/.config/google-chrome/NativeMessagingHosts,
             ~/.mozilla/native-messaging-hosts
--manifests-only writes just the manifests, naming PROGRAM; --chromium-dir and --firefox-dir
write them to those folders instead (a browser profile's NativeMessagingHosts folder, or a HOME's
.mozilla/native-messaging-hosts). --uninstall removes the files the install wrote (listed in
DIR/install-manifest.txt).
EOF
}

cd "$(dirname "$0")/.."
source_dir=$(pwd)
chromium_dirs=()
firefox_dirs=()
if [ "$(id -u)" -eq 0 ]; then
  prefix=/usr/local/lib/securepassword
else
  prefix="$HOME/.local/lib/securepassword"
  chromium_dirs=("$HOME/.config/chromium/NativeMessagingHosts"
                 "$HOME/.config/google-chrome/NativeMessagingHosts")
  firefox_dirs=("$HOME/.mozilla/native-messaging-hosts")
fi
build_dir="$source_dir/build/default"
build=yes
mode=install
program=

while (($#)); do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --build-dir) build_dir=$(realpath "$2"); shift 2 ;;
    --no-build) build=no; shift ;;
    --uninstall) mode=uninstall; shift ;;
    --manifests-only) mode=manifests; shift ;;
    --host) program=$2; shift 2 ;;
    --chromium-dir) chromium_dirs=("$2"); shift 2 ;;
    --firefox-dir) firefox_dirs=("$2"); shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done

configured() {
  if [ ! -f "$build_dir/cmake_install.cmake" ]; then
    echo "No configured build in $build_dir (cmake --preset default, or --build-dir)" >&2
    exit 2
  fi
}

# Runs one component of the build's install rules; the manifests' folders and program, when
# given, replace the package's. Prints the files it installed.
install_component() {  # COMPONENT PREFIX [HOST_PROGRAM]
  local settings=(-DCMAKE_INSTALL_COMPONENT="$1" -DCMAKE_INSTALL_PREFIX="$2")
  [ -n "${3:-}" ] && settings+=(-DSPW_HOST_PROGRAM="$3")
  if ((${#chromium_dirs[@]})); then
    settings+=(-DSPW_CHROMIUM_HOST_DIRS="$(IFS=';'; echo "${chromium_dirs[*]}")")
  fi
  if ((${#firefox_dirs[@]})); then
    settings+=(-DSPW_FIREFOX_HOST_DIRS="$(IFS=';'; echo "${firefox_dirs[*]}")")
  fi
  cmake "${settings[@]}" -P "$build_dir/cmake_install.cmake" >/dev/null
  cat "$build_dir/install_manifest_$1.txt"
  echo
}

case "$mode" in
  manifests)
    if [ -z "$program" ]; then
      echo "--manifests-only needs --host PROGRAM" >&2
      exit 2
    fi
    configured
    install_component field_manifests "$build_dir/unused-prefix" "$(realpath "$program")" >/dev/null
    ;;
  uninstall)
    if [ ! -f "$prefix/install-manifest.txt" ]; then
      echo "Nothing installed in $prefix (no install-manifest.txt)" >&2
      exit 1
    fi
    while IFS= read -r file; do
      [ -n "$file" ] && rm -f "$file"
    done <"$prefix/install-manifest.txt"
    rm -f "$prefix/install-manifest.txt"
    rmdir "$prefix" 2>/dev/null || true
    echo "Removed the native host and its manifests."
    ;;
  install)
    if [ "$build" = yes ]; then
      if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null ||
         ! command -v g++ >/dev/null; then
        bash tools/install-deps.sh
      fi
      if [ "$build_dir" = "$source_dir/build/default" ]; then
        cmake --preset default >/dev/null
      fi
      cmake --build "$build_dir" --target securepassword-host securepassword
    fi
    configured
    # The package's files of the host all sit in one folder; that folder's contents go to DIR.
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    staged=$(install_component field_host "$stage" | grep '/securepassword-host$')
    mkdir -p "$prefix"
    prefix=$(realpath "$prefix")
    installed=()
    for file in "$(dirname "$staged")"/*; do
      cp -p "$file" "$prefix/"
      installed+=("$prefix/$(basename "$file")")
    done
    mapfile -t manifests < <(install_component field_manifests "$stage" "$prefix/securepassword-host")
    printf '%s\n' "${installed[@]}" "${manifests[@]}" >"$prefix/install-manifest.txt"
    echo "Installed net.securepassword.host in $prefix; manifests:" "${manifests[@]}"
    echo "Now add the extension (extension/) to the browser: see docs/administrators.md."
    ;;
esac
