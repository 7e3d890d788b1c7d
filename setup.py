"""pip install . : the Python package kelvara, built by the project's CMake.

No package index is needed (Debian's python3-setuptools and python3-wheel
build it), so install without build isolation:

    /usr/bin/python3 -m venv --system-site-packages .venv
    .venv/bin/pip install --no-build-isolation --no-index .

The CMake build needs what scripts/setup-debian.sh installs. It uses
CMAKE_BUILD_PARALLEL_LEVEL compile jobs (default 2).
"""

import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Builds the CMake target _kelvara, which puts the whole package together
    (module, Python files, trading calendar) in the folder pip installs from."""

    def build_extension(self, ext):
        package_dir = os.path.dirname(os.path.abspath(self.get_ext_fullpath(ext.name)))
        build_dir = os.path.join(os.path.abspath(self.build_temp), "cmake")
        configure = [
            "cmake", "-S", ROOT, "-B", build_dir,
            # The build type of scripts/build.sh: the same code as its kelvara-cli.
            "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DCMAKE_MODULE_LINKER_FLAGS=-s",  # without the debug information: a tenth of the size
            "-DKELVARA_BUILD_TESTS=OFF",
            "-DPython3_EXECUTABLE=" + sys.executable,
            "-DKELVARA_PYTHON_PACKAGE_DIR=" + package_dir,
        ]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", build_dir, "--target", "_kelvara", "--parallel", jobs])


setup(
    name="kelvara",
    version="0.1",
    description="Kelvara's snowball pricing engine for Python",
    packages=["kelvara"],
    package_dir={"": "python"},
    ext_modules=[CMakeExtension("kelvara._kelvara")],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
    python_requires=">=3.8",
    zip_safe=False,
)
