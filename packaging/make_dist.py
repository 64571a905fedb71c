#!/usr/bin/env python3
"""Puts what ships into a folder: the two libraries and the package.

    make_dist.py BIN DIST

Copies Kelvado.dll and KelvadoImpl.dll from BIN into DIST and writes
DIST/Kelvado-VERSION-win32.zip with the two libraries, INSTALL.txt and the
project's LICENSE as LICENSE.txt (both with CRLF line ends, as Windows' text
editors expect). VERSION is read from KelvadoVersion.h next to this script.
"""
import glob
import os
import re
import shutil
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
LIBRARIES = ["Kelvado.dll", "KelvadoImpl.dll"]


def read_version(header=os.path.join(HERE, "KelvadoVersion.h")):
    """The version as "MAJOR.MINOR.PATCH.BUILD" from the version header."""
    text = open(header, encoding="ascii").read()
    parts = [re.search(rf"#define KELVADO_VERSION_{part}\s+(\d+)", text).group(1)
             for part in ("MAJOR", "MINOR", "PATCH", "BUILD")]
    return ".".join(parts)


LICENSE = os.path.join(HERE, "..", "LICENSE")


def windows_text(path, version=""):
    """The text of `path` with @VERSION@ filled in and CRLF line ends."""
    text = open(path, encoding="ascii").read()
    return text.replace("@VERSION@", version).replace("\r\n", "\n").replace("\n", "\r\n")


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip())
        return 2
    bin_dir, dist = argv
    version = read_version()
    os.makedirs(dist, exist_ok=True)
    for old in glob.glob(os.path.join(dist, "Kelvado-*-win32.zip")):
        os.remove(old)
    package = os.path.join(dist, f"Kelvado-{version}-win32.zip")
    with zipfile.ZipFile(package + ".part", "w", zipfile.ZIP_DEFLATED) as archive:
        for name in LIBRARIES:
            shutil.copyfile(os.path.join(bin_dir, name), os.path.join(dist, name))
            archive.write(os.path.join(dist, name), name)
        archive.writestr("INSTALL.txt", windows_text(os.path.join(HERE, "INSTALL.txt"), version))
        archive.writestr("LICENSE.txt", windows_text(LICENSE))
    # Renamed only when complete, so an interrupted run leaves no broken package.
    os.replace(package + ".part", package)
    print(f"wrote {package}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
