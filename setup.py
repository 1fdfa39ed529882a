"""Builds the extension module securepassword_decode for `pip install .`: the Python binding and
the C interface with the decoder linked in, so the module stands alone. The version is the
project's, read from CMakeLists.txt."""
import re
from pathlib import Path

from setuptools import Extension, setup

ROOT = Path(__file__).resolve().parent
VERSION = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)

SOURCES = [
    "bindings/python/securepassword_decode.cpp",
    "decoder/c_api/decode_c.cpp",
    "decoder/aes_ni.cpp",
    "decoder/cipher.cpp",
    "decoder/decode.cpp",
    "decoder/decode_error.cpp",
    "decoder/unescape.cpp",
    "decoder/unscramble.cpp",
    "encoding/aes.cpp",
    "encoding/aes_tables.cpp",
    "encoding/variants.cpp",
]

setup(
    version=VERSION,
    packages=[],  # the extension module only; the tree's folders are no Python packages
    ext_modules=[
        Extension(
            "securepassword_decode",
            sources=SOURCES,
            include_dirs=[".", "decoder/c_api/include"],
            define_macros=[("SPW_DECODE_VERSION", f'"{VERSION}"')],
            extra_compile_args=["-std=c++20", "-fvisibility=hidden"],
            language="c++",
        )
    ],
)
