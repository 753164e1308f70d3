"""Builds the Python module ie with CMake (pybind11 from the system):
pip install --no-build-isolation . (the README has the whole command).
The build shares build/ with make's optimized build, so that a library
already built there is not built again."""
import os
import pathlib
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, extension):
        target = pathlib.Path(self.get_ext_fullpath(extension.name)).resolve()
        build = SOURCE / "build"
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        f"-DPython3_EXECUTABLE={sys.executable}", "-DIE_BUILD_PYTHON=ON",
                        "-DIE_BUILD_TESTS=OFF"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "ie_python",
                        "-j", os.environ.get("JOBS", "2")], check=True)
        built = next(build.glob("ie.*.so"))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


# The module is the whole package: no Python packages to discover.
setup(packages=[], ext_modules=[Extension("ie", sources=[])], cmdclass={"build_ext": CMakeBuild})
