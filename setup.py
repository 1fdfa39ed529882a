"""Builds the extension module securepassword_decode for `pip install .`: the Python binding and
the C interface with the decoder linked in, so the module stands alone. The version is the
project's, read from CMakeLists.txt.

The build leaves the source tree as it was: objects, the built module and the package's metadata
go to a temporary folder, removed when the build ends. The compiler runs as many jobs at once as
MAX_JOBS says, or else CMAKE_BUILD_PARALLEL_LEVEL, or else as many as the CPUs this process may
use."""
import atexit
import os
import re
import shutil
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent
VERSION = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)

# The binding, the C interface, and the decoder with the encoding unit (and the text's format in
# encoding/format/) it builds on, whole (what the decoder does not use is dropped at link time).
SOURCES = [
    "bindings/python/securepassword_decode.cpp",
    "decoder/c_api/decode_c.cpp",
    *sorted(str(p.relative_to(ROOT)) for p in ROOT.glob("decoder/*.cpp")),
    *sorted(str(p.relative_to(ROOT)) for p in ROOT.glob("encoding/**/*.cpp")),
]



def jobs():
    for name in ("MAX_JOBS", "CMAKE_BUILD_PARALLEL_LEVEL"):
        value = os.environ.get(name, "")
        if value.isdigit() and int(value) > 0:
            return int(value)
    return len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count() or 1


class ParallelBuildExt(build_ext):
    """build_ext whose compiler compiles one extension's sources on jobs() threads at once
    (setuptools' own --parallel only builds several extensions at once, and there is one)."""

    def build_extensions(self):
        compiler = self.compiler

        def compile(sources, output_dir=None, macros=None, include_dirs=None, debug=0,
                    extra_preargs=None, extra_postargs=None, depends=None):
            macros, objects, extra, pp_opts, build = compiler._setup_compile(
                output_dir, macros, include_dirs, sources, depends, extra_postargs)
            cc_args = compiler._get_cc_args(pp_opts, debug, extra_preargs)

            def one(obj):
                src, ext = build[obj]
                compiler._compile(obj, src, ext, cc_args, extra, pp_opts)

            with ThreadPoolExecutor(max_workers=jobs()) as pool:
                list(pool.map(one, [obj for obj in objects if obj in build]))
            return objects

        compiler.compile = compile
        super().build_extensions()


SCRATCH = tempfile.mkdtemp(prefix="securepassword-decode-build-")
atexit.register(shutil.rmtree, SCRATCH, ignore_errors=True)

setup(
    version=VERSION,
    packages=[],  # the extension module only; the tree's folders are no Python packages
    # Built afresh in a temporary folder each time: nothing is written into the source tree, and no
    # module left from an older tree can pass for the new one.
    options={
        "build": {"build_base": os.path.join(SCRATCH, "build")},
        "egg_info": {"egg_base": SCRATCH},
    },
    cmdclass={"build_ext": ParallelBuildExt},
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
