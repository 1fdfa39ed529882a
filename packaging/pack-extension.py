#!/usr/bin/env python3
"""Packs the browser extension (extension/) into its release files, for the build
(packaging/ExtensionRelease.cmake): a zip for the browsers' stores, the same zip as an XPI for
Firefox, and a CRX3 file signed with the vendor's RSA key for Chromium and Google Chrome. Also
answers the Chromium extension id of a key, and makes a development key. The RSA work is done by
the openssl program; the zip and the CRX3 container are written here, byte for byte the same from
the same sources and key.

  pack-extension.py id --key KEY.pem | --manifest manifest.json
  pack-extension.py genkey KEY.pem
  pack-extension.py pack --source DIR --key KEY.pem --zip OUT.zip --xpi OUT.xpi --crx OUT.crx
                         [--depfile FILE --depfile-target NAME]
"""

import argparse
import base64
import hashlib
import io
import json
import os
import struct
import subprocess
import sys
import zipfile

# What is never packed: development files that live beside the extension's sources.
EXCLUDED_DIRECTORIES = {"node_modules"}


def excluded(name):
    return (
        name.startswith(".")
        or (name.startswith("package") and name.endswith(".json"))
        or (name.startswith("tsconfig") and name.endswith(".json"))
        or ".config." in name
        or ".test." in name
        or name.endswith(".d.ts")
    )


def extension_files(source):
    """(archive name, path) of every file to pack, sorted, and every folder walked."""
    files, folders = [], []
    for folder, subfolders, names in os.walk(source):
        folders.append(folder)
        subfolders[:] = sorted(
            d for d in subfolders if not d.startswith(".") and d not in EXCLUDED_DIRECTORIES
        )
        for name in names:
            if excluded(name):
                continue
            path = os.path.join(folder, name)
            files.append((os.path.relpath(path, source).replace(os.sep, "/"), path))
    return sorted(files), folders


def public_key_der(key):
    """The SubjectPublicKeyInfo (DER) of the private key in the PEM file."""
    return subprocess.run(
        ["openssl", "pkey", "-in", key, "-pubout", "-outform", "DER"],
        check=True,
        capture_output=True,
    ).stdout


def extension_id(public_key):
    """Chromium's id: the first 128 bits of the key's SHA-256, one letter a-p per 4 bits."""
    digest = hashlib.sha256(public_key).hexdigest()[:32]
    return "".join(chr(ord("a") + int(digit, 16)) for digit in digest)


def release_manifest(text):
    """The manifest as released: without "key", which only pins the id of an unpacked copy (a
    packed file takes its id from the key that signs it, and the stores refuse the field)."""
    manifest = json.loads(text)
    manifest.pop("key", None)
    return (json.dumps(manifest, indent=2, ensure_ascii=False) + "\n").encode()


def make_zip(files):
    """The extension as a zip with fixed dates and modes, manifest.json first."""
    files = sorted(files, key=lambda item: (item[0] != "manifest.json", item[0]))
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as archive:
        for name, path in files:
            with open(path, "rb") as source:
                data = source.read()
            if name == "manifest.json":
                data = release_manifest(data)
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            info.create_system = 3  # Unix, so the modes above are read
            archive.writestr(info, data, compresslevel=9)
    return out.getvalue()


# --- CRX3: "Cr24", format version 3, the header's length, the header (protobuf), the zip. ---


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out.append(byte | 0x80)
        else:
            out.append(byte)
            return bytes(out)


def length_delimited(field, data):
    return varint(field << 3 | 2) + varint(len(data)) + data


CRX_PUBLIC_KEY = 1  # AsymmetricKeyProof.public_key
CRX_SIGNATURE = 2  # AsymmetricKeyProof.signature
CRX_SHA256_WITH_RSA = 2  # CrxFileHeader.sha256_with_rsa
CRX_SIGNED_HEADER_DATA = 10000  # CrxFileHeader.signed_header_data
CRX_ID = 1  # SignedData.crx_id: the first 16 bytes of the key's SHA-256


def make_crx(archive, key):
    public_key = public_key_der(key)
    signed_data = length_delimited(CRX_ID, hashlib.sha256(public_key).digest()[:16])
    # What the signature covers: a fixed text, the signed data with its length, the archive.
    signed = b"CRX3 SignedData\x00" + struct.pack("<I", len(signed_data)) + signed_data + archive
    signature = subprocess.run(
        ["openssl", "dgst", "-sha256", "-sign", key],
        input=signed,
        check=True,
        capture_output=True,
    ).stdout
    proof = length_delimited(CRX_PUBLIC_KEY, public_key) + length_delimited(CRX_SIGNATURE, signature)
    header = length_delimited(CRX_SHA256_WITH_RSA, proof) + length_delimited(
        CRX_SIGNED_HEADER_DATA, signed_data
    )
    return b"Cr24" + struct.pack("<II", 3, len(header)) + header + archive


def write_if_changed(path, data):
    try:
        with open(path, "rb") as existing:
            if existing.read() == data:
                return
    except FileNotFoundError:
        pass
    with open(path + ".part", "wb") as out:
        out.write(data)
    os.chmod(path + ".part", 0o644)
    os.replace(path + ".part", path)


def depfile_path(path):
    return path.replace("\\", "\\\\").replace(" ", "\\ ")


def pack(arguments):
    files, folders = extension_files(arguments.source)
    if not any(name == "manifest.json" for name, _ in files):
        sys.exit(f"pack-extension: no manifest.json in {arguments.source}")
    archive = make_zip(files)
    write_if_changed(arguments.zip, archive)
    write_if_changed(arguments.xpi, archive)
    write_if_changed(arguments.crx, make_crx(archive, arguments.key))
    if arguments.depfile:
        # The folders too: adding or removing a file changes its folder's time.
        inputs = [path for _, path in files] + folders + [arguments.key, __file__]
        with open(arguments.depfile, "w") as out:
            out.write(depfile_path(arguments.depfile_target) + ":")
            for path in inputs:
                out.write(" \\\n  " + depfile_path(os.path.abspath(path)))
            out.write("\n")


def main():
    parser = argparse.ArgumentParser(description="Packs the browser extension for release.")
    commands = parser.add_subparsers(dest="command", required=True)
    identify = commands.add_parser("id", help="the Chromium extension id of a key")
    source = identify.add_mutually_exclusive_group(required=True)
    source.add_argument("--key", help="a PEM private key")
    source.add_argument("--manifest", help='a manifest.json whose "key" pins the id')
    genkey = commands.add_parser("genkey", help="a new 2048-bit RSA key (PKCS#8 PEM, mode 0600)")
    genkey.add_argument("key")
    packer = commands.add_parser("pack", help="the zip, the XPI and the CRX3 file")
    packer.add_argument("--source", required=True)
    packer.add_argument("--key", required=True)
    packer.add_argument("--zip", required=True)
    packer.add_argument("--xpi", required=True)
    packer.add_argument("--crx", required=True)
    packer.add_argument("--depfile")
    packer.add_argument("--depfile-target")
    arguments = parser.parse_args()

    if arguments.command == "id":
        if arguments.key:
            print(extension_id(public_key_der(arguments.key)))
        else:
            with open(arguments.manifest, encoding="utf-8") as manifest:
                key = json.load(manifest).get("key")
            if not key:
                sys.exit(f'pack-extension: {arguments.manifest} has no "key"')
            print(extension_id(base64.b64decode(key)))
    elif arguments.command == "genkey":
        old = os.umask(0o077)
        try:
            subprocess.run(
                ["openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                 "-out", arguments.key],
                check=True,
                capture_output=True,
            )
        finally:
            os.umask(old)
    else:
        pack(arguments)


if __name__ == "__main__":
    main()
