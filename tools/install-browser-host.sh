#!/usr/bin/env bash
# Installs the native host behind the browser extension (extension/): builds securepassword-host
# and the plug-in module, copies them to one folder with a small launcher, and writes the host
# manifests through which Chromium, Google Chrome and Firefox find the launcher. As root it
# installs for all users, otherwise for the current user. The tests use --manifests-only.
set -euo pipefail

HOST_NAME=net.securepassword.host
CHROMIUM_EXTENSION_ID=boeigbhkfjamldnjalbiogmfnndioinp  # pinned by "key" in extension/manifest.json
FIREFOX_EXTENSION_ID=field@securepassword.net           # browser_specific_settings.gecko.id

usage() {
  cat <<'EOF'
usage: tools/install-browser-host.sh [--prefix DIR] [--build-dir DIR] [--no-build]
       tools/install-browser-host.sh --uninstall [--prefix DIR]
       tools/install-browser-host.sh --manifests-only --host PROGRAM
                                     [--chromium-dir DIR] [--firefox-dir DIR]

Builds securepassword-host and libsecurepassword.so (preset "default", or the build folder
given), installs them under the prefix (as root /opt/securepassword, otherwise
~/.local/lib/securepassword) and writes the native messaging host manifests for
"net.securepassword.host":
  as root:  /etc/chromium/native-messaging-hosts, /etc/opt/chrome/native-messaging-hosts,
            /usr/lib/mozilla/native-messaging-hosts
  as a user: ~/.config/chromium/NativeMessagingHosts, ~/.config/google-chrome/NativeMessagingHosts,
            ~/.mozilla/native-messaging-hosts
--manifests-only writes just the manifests, naming PROGRAM; --chromium-dir and --firefox-dir
write them to those folders instead (a browser profile's NativeMessagingHosts folder, or a HOME's
.mozilla/native-messaging-hosts). --uninstall removes the files this script installs.
EOF
}

cd "$(dirname "$0")/.."
source_dir=$(pwd)
if [ "$(id -u)" -eq 0 ]; then
  prefix=/opt/securepassword
  chromium_dirs=(/etc/chromium/native-messaging-hosts /etc/opt/chrome/native-messaging-hosts)
  firefox_dirs=(/usr/lib/mozilla/native-messaging-hosts)
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

json_string() {  # a JSON string of $1 (paths hold no control characters)
  local text=${1//\\/\\\\}
  printf '"%s"' "${text//\"/\\\"}"
}

# One host manifest. Chromium names the extensions allowed to start the host by origin, Firefox
# by add-on id.
write_manifest() {  # FILE PATH ALLOWED_KEY ALLOWED_VALUE
  mkdir -p "$(dirname "$1")"
  cat >"$1" <<EOF
{
  "name": "$HOST_NAME",
  "description": "Secure password field: runs the plug-in for the browser extension",
  "path": $(json_string "$2"),
  "type": "stdio",
  "$3": ["$4"]
}
EOF
}

write_manifests() {
  local path=$1 dir
  for dir in "${chromium_dirs[@]}"; do
    write_manifest "$dir/$HOST_NAME.json" "$path" allowed_origins \
      "chrome-extension://$CHROMIUM_EXTENSION_ID/"
  done
  for dir in "${firefox_dirs[@]}"; do
    write_manifest "$dir/$HOST_NAME.json" "$path" allowed_extensions "$FIREFOX_EXTENSION_ID"
  done
}

case "$mode" in
  manifests)
    if [ -z "$program" ]; then
      echo "--manifests-only needs --host PROGRAM" >&2
      exit 2
    fi
    write_manifests "$(realpath "$program")"
    ;;
  uninstall)
    for dir in "${chromium_dirs[@]}" "${firefox_dirs[@]}"; do rm -f "$dir/$HOST_NAME.json"; done
    rm -f "$prefix/securepassword-host" "$prefix"/lib/{securepassword-host,libsecurepassword.so,libnativeui.so}
    rmdir "$prefix/lib" "$prefix" 2>/dev/null || true
    echo "Removed the native host and its manifests."
    ;;
  install)
    if [ "$build" = yes ]; then
      if ! { command -v cmake && command -v ninja && command -v g++; } >/dev/null; then
        bash tools/install-deps.sh
      fi
      if [ "$build_dir" = "$source_dir/build/default" ]; then
        cmake --preset default >/dev/null
      fi
      cmake --build "$build_dir" --target securepassword-host securepassword
    fi
    mkdir -p "$prefix/lib"
    install -m 755 "$build_dir/native_host/securepassword-host" "$prefix/lib/"
    for nativeui in "$build_dir"/{nativeui,platform}/libnativeui.so; do
      [ -e "$nativeui" ] && break
    done
    install -m 644 "$build_dir/plugin/libsecurepassword.so" "$nativeui" "$prefix/lib/"
    # The launcher the manifests name: the module and its library come from the prefix.
    cat >"$prefix/securepassword-host" <<EOF
#!/bin/sh
# Starts the secure password field's native host (installed by tools/install-browser-host.sh).
lib=$(json_string "$prefix/lib")
LD_LIBRARY_PATH="\$lib\${LD_LIBRARY_PATH:+:\$LD_LIBRARY_PATH}" exec "\$lib/securepassword-host" --module "\$lib/libsecurepassword.so" "\$@"
EOF
    chmod 755 "$prefix/securepassword-host"
    write_manifests "$(realpath "$prefix/securepassword-host")"
    echo "Installed $HOST_NAME in $prefix; manifests in: ${chromium_dirs[*]} ${firefox_dirs[*]}"
    echo "Now add the extension (extension/) to the browser: see docs/administrators.md."
    ;;
esac
