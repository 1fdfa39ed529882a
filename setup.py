"""Builds the extension module securepassword_decode for `pip install .`: the Python binding and
the C interface with the decoder linked in, so the module stands alone. The version is the
project's, read from CMakeLists.txt."""
import re
from pathlib import Path

from setuptools import Extension, setup

ROOT = Path(__file__).resolve().parent
VERSION = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)

# The binding, the C interface, and the decoder with the encoding unit it builds on, whole (what
# the decoder does not use is dropped at link time).
SOURCES = [
    "bindings/python/securepassword_decode.cpp",
    "decoder/c_api/decode_c.cpp",
    *sorted(str(p.relative_to(ROOT)) for p in ROOT.glob("decoder/*.cpp")),
    *sorted(str(p.relative_to(ROOT)) for p in ROOT.glob("encoding/*.cpp")),
]

setup(
    version=VERSION,
    packages=[],  # the extension module only; the tree's folders are no Python packages
    # Its own folder beside the CMake builds, and always compiled afresh: a module left from an
    # older tree must not pass for the new one.
    options={"build": {"build_base": "build/python"}, "build_ext": {"force": True, "parallel": 2}},
    ext_modules=[
        Extension(
            "securepassword_decode",
            sources=SOURCES,
            include_dirs=[".", "decoder/c_api/include"],
            define_macros=[("SPW_DECODE_VERSION", f'"{VERSION}"')],
            extra_compile_args=["-std=c++20", "-fvisibility=hidden", "-ffunction-sections"],
            extra_link_args=["-Wl,--gc-sections"],
            language="c++",
        )
    ],
)
