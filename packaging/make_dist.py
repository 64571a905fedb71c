#!/usr/bin/env python3
"""Puts what ships into a folder: the two libraries and the package.

    make_dist.py BIN DIST

Copies Kelvado.dll and KelvadoImpl.dll from BIN into DIST and writes
DIST/Kelvado-VERSION-win32.zip with the two libraries, INSTALL.txt and the
project's LICENSE as LICENSE.txt (both with CRLF line ends, as Windows' text
editors expect). VERSION is read from KelvadoVersion.h next to this script.

The package is the same bytes from every build of the same sources: its
entries stand in a fixed order and carry the fixed date ENTRY_DATE and fixed
attributes, whenever and wherever the build ran.
"""
import glob
import os
import re
import shutil
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
LIBRARIES = ["Kelvado.dll", "KelvadoImpl.dll"]
# The package's entries, in the order they are written.
PACKAGE_ORDER = LIBRARIES + ["INSTALL.txt", "LICENSE.txt"]


def read_version(header=os.path.join(HERE, "KelvadoVersion.h")):
    """The version as "MAJOR.MINOR.PATCH.BUILD" from the version header."""
    text = open(header, encoding="ascii").read()
    parts = [re.search(rf"#define KELVADO_VERSION_{part}\s+(\d+)", text).group(1)
             for part in ("MAJOR", "MINOR", "PATCH", "BUILD")]
    return ".".join(parts)


LICENSE = os.path.join(HERE, "..", "LICENSE")
# The earliest date a zip entry can hold, so that no build's clock shows.
ENTRY_DATE = (1980, 1, 1, 0, 0, 0)


def windows_text(path, version=""):
    """The text of `path` with @VERSION@ filled in and CRLF line ends."""
    text = open(path, encoding="ascii").read()
    return text.replace("@VERSION@", version).replace("\r\n", "\n").replace("\n", "\r\n")


def add_entry(archive, name, data):
    """Adds `data` as `name`, with nothing taken from the file system or the clock."""
    entry = zipfile.ZipInfo(name, date_time=ENTRY_DATE)
    entry.compress_type = zipfile.ZIP_DEFLATED
    # As an archiver on Windows writes them: no Unix permission bits.
    entry.create_system = 0
    entry.external_attr = 0
    archive.writestr(entry, data)


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
    contents = {"INSTALL.txt": windows_text(os.path.join(HERE, "INSTALL.txt"), version),
                "LICENSE.txt": windows_text(LICENSE)}
    for name in LIBRARIES:
        shutil.copyfile(os.path.join(bin_dir, name), os.path.join(dist, name))
        with open(os.path.join(dist, name), "rb") as library:
            contents[name] = library.read()
    with zipfile.ZipFile(package + ".part", "w") as archive:
        for name in PACKAGE_ORDER:
            add_entry(archive, name, contents[name])
    # Renamed only when complete, so an interrupted run leaves no broken package.
    os.replace(package + ".part", package)
    print(f"wrote {package}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
