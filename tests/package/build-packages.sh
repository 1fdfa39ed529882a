#!/usr/bin/env bash
# Makes the Debian packages from an optimised build folder with the prefix /usr, as a release
# would (cpack), checks them with lintian (no errors allowed), and makes the older version of
# securepassword-field that the upgrade test installs first: the same files under an earlier
# version number.
# Usage: build-packages.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
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
dpkg-deb -R "$field" "$out/previous"
sed -i "s/^Version: .*/Version: $version~previous/" "$out/previous/DEBIAN/control"
dpkg-deb -b "$out/previous" "$out/previous.deb" >/dev/null
rm -rf "$out/previous"
echo "securepassword-field $version and $version~previous in $out"
