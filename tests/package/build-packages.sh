#!/usr/bin/env bash
# Makes the Debian packages from an optimised build folder with the prefix /usr, as a release
# would (cpack), checks them with lintian (no errors allowed), and makes the older version of
# securepassword-field that the upgrade test installs first: the same files under an earlier
# version number, but for the extension, which is an earlier version too.
# Usage: build-packages.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(realpath "$1") out=$2
PREVIOUS_EXTENSION=0.1  # the older package's extension version
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" \
  -D CPACK_PACKAGING_INSTALL_PREFIX=/usr >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log" >&2
  exit 1
}
rm -rf "$out/_CPack_Packages"
ls "$out"/*.deb

lintian --no-cfg "$out"/*.deb 2>&1 | grep -v '^running with root privileges' | tee "$out/lintian.txt"
if grep -q '^E:' "$out/lintian.txt"; then
  echo "lintian reports errors on the packages" >&2
  exit 1
fi

field=$(ls "$out"/securepassword-field_*.deb)
version=$(dpkg-deb -f "$field" Version)
extension_version=$(sed -n 's/.*"version": "\(.*\)".*/\1/p' "$build/release/extension-ids.json")
previous=$out/previous
dpkg-deb -R "$field" "$previous"
sed -i "s/^Version: .*/Version: $version~previous/" "$previous/DEBIAN/control"
# Its extension is an older version too, packed again with the build's key.
key=$(sed -n 's/^SPW_EXTENSION_KEY:FILEPATH=//p' "$build/CMakeCache.txt")
key=${key:-$build/extension-development-key.pem}
python3 -m zipfile -e "$build/release/securepassword-field-$extension_version.zip" "$out/extension"
sed -i "s/\"version\": \"$extension_version\"/\"version\": \"$PREVIOUS_EXTENSION\"/" \
  "$out/extension/manifest.json"
python3 "$(dirname "$0")/../../packaging/pack-extension.py" pack --source "$out/extension" \
  --key "$key" --zip "$out/previous.zip" --xpi "$out/previous.xpi" --crx "$out/previous.crx"
cp "$out/previous.crx" "$previous/usr/share/securepassword/securepassword-field.crx"
cp "$out/previous.xpi" "$previous"/usr/share/mozilla/extensions/*/field@securepassword.net.xpi
sed -i "s/\"external_version\": \"$extension_version\"/\"external_version\": \"$PREVIOUS_EXTENSION\"/" \
  "$previous"/usr/lib/chromium/extensions/*.json "$previous"/usr/share/google-chrome/extensions/*.json
sed -i "s/version='$extension_version'/version='$PREVIOUS_EXTENSION'/" \
  "$previous/usr/share/securepassword/chromium-update.xml"
(cd "$previous" && find . -type f ! -path './DEBIAN/*' -printf '%P\0' | sort -z | xargs -0 md5sum \
  >DEBIAN/md5sums)
dpkg-deb -b "$previous" "$out/previous.deb" >/dev/null
rm -rf "$previous" "$out/extension" "$out"/previous.{zip,xpi,crx}
echo "securepassword-field $version (extension $extension_version) and $version~previous" \
  "(extension $PREVIOUS_EXTENSION) in $out"
