#!/usr/bin/env python3
"""Checks that a folder holds the two plug-in libraries in the form a host needs.

    check_release.py FOLDER [--arch i386|x86-64] [--version-reader COMMAND...]

From the built files alone (objdump -p): the machine type, the exact export
lists, the imported libraries (the host's model library and Windows system
libraries only, never a MinGW runtime library, and no load-time link from
Kelvado.dll to KelvadoImpl.dll). With --version-reader, the remaining
arguments are a command that prints Kelvado.dll's version strings as
KEY=VALUE lines when given the library's Windows path (our read_version tool
under Wine); its output is compared with the expected values.

Exit status: 0 all checks passed, 1 a check failed, 77 the folder or a tool
is missing (reported as a skip, never as a pass).
"""
import os
import re
import shutil
import subprocess
import sys

SKIP = 77

EXPECTED_EXPORTS = {
    "Kelvado.dll": ["CreatePlugIn"],
    "KelvadoImpl.dll": ["plugin_Execute", "plugin_GetTitle", "plugin_GetType"],
}
# Libraries every Windows installation has. msvcrt.dll counts among them: it
# ships with every Windows release the plug-in is built for.
SYSTEM_LIBRARIES = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "advapi32.dll", "shell32.dll",
    "ole32.dll", "ntdll.dll", "msvcrt.dll", "ucrtbase.dll", "version.dll",
}
RUNTIME_PATTERN = re.compile(r"^(libgcc_s|libstdc\+\+|libwinpthread|libssp|libgomp)", re.I)
EXPECTED_VERSION = {
    "FixedFileVersion": "1.0.0.1",
    "FixedProductVersion": "1.0.0.1",
    "FileVersion": "1.0.0.1",
    "ProductVersion": "1.0.0.1",
    "InternalName": "Kelvado.dll",
    "OriginalFilename": "Kelvado.dll",
}
FORMATS = {"i386": ("pei-i386", "i686-w64-mingw32-objdump"),
           "x86-64": ("pei-x86-64", "x86_64-w64-mingw32-objdump")}


class Report:
    """Collects the outcome of each check and prints one line per check."""

    def __init__(self):
        self.failures = 0

    def check(self, ok, what, detail=""):
        print(("ok    " if ok else "FAIL  ") + what + ("" if ok or not detail else ": " + detail))
        if not ok:
            self.failures += 1


def read_pe(objdump, path):
    """Returns (file format, export names, imported library names) of a PE file."""
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                          text=True).stdout
    match = re.search(r"file format (\S+)", text)
    file_format = match.group(1) if match else "unknown"
    imports = re.findall(r"^\s*DLL Name: (\S+)", text, re.M)
    exports = []
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) == 2:
        for line in table[1].splitlines()[1:]:
            found = re.match(r"^\s*\[\s*\d+\]\s+(\S+)", line)
            if not found:
                break
            exports.append(found.group(1))
    return file_format, sorted(exports), imports


def check_library(report, objdump, want_format, folder, name):
    path = os.path.join(folder, name)
    file_format, exports, imports = read_pe(objdump, path)
    report.check(file_format == want_format, f"{name} is {want_format}", file_format)
    report.check(exports == EXPECTED_EXPORTS[name], f"{name} exports exactly "
                 + ", ".join(EXPECTED_EXPORTS[name]), "exports " + ", ".join(exports[:12])
                 + (" ..." if len(exports) > 12 else "") + f" ({len(exports)} names)")
    runtime = [i for i in imports if RUNTIME_PATTERN.match(i)]
    report.check(not runtime, f"{name} needs no MinGW runtime library", ", ".join(runtime))
    allowed = set(SYSTEM_LIBRARIES)
    if name == "KelvadoImpl.dll":
        report.check(any(i.lower() == "msmodellib.dll" for i in imports),
                     "KelvadoImpl.dll links msModelLib.dll at load time", ", ".join(imports))
        allowed.add("msmodellib.dll")
    else:
        report.check(all(i.lower() != "kelvadoimpl.dll" for i in imports),
                     "Kelvado.dll has no load-time link to KelvadoImpl.dll")
    others = [i for i in imports if i.lower() not in allowed
              and not i.lower().startswith("api-ms-win-")]
    report.check(not others, f"{name} imports only " + (
        "msModelLib.dll and " if name == "KelvadoImpl.dll" else "") + "Windows system libraries",
        ", ".join(others))


def check_version(report, reader, folder):
    path = os.path.abspath(os.path.join(folder, "Kelvado.dll"))
    result = subprocess.run(reader + ["Z:" + path], capture_output=True, text=True, timeout=120)
    values = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
    report.check(result.returncode == 0, "Kelvado.dll's version resource reads back",
                 (result.stdout + result.stderr).strip())
    for key, want in EXPECTED_VERSION.items():
        got = values.get(key)
        report.check(got == want, f'Kelvado.dll {key} is "{want}"', f"{got!r}")


def runs_32bit():
    """True when the 32-bit Wine starts; some kernels run no 32-bit processes."""
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True,
                              timeout=60).returncode == 0
    except OSError:
        return False


def needs_missing_32bit(reader):
    return (reader is not None and len(reader) > 1 and reader[0].endswith("wine-run.sh")
            and reader[1] == "32" and not runs_32bit())


def main(argv):
    reader = None
    if "--version-reader" in argv:
        at = argv.index("--version-reader")
        argv, reader = argv[:at], argv[at + 1:]
    arch = "i386"
    if "--arch" in argv:
        at = argv.index("--arch")
        arch = argv[at + 1]
        del argv[at:at + 2]
    if len(argv) != 1 or arch not in FORMATS:
        print(__doc__.strip())
        return 2
    folder = argv[0]
    want_format, objdump = FORMATS[arch]
    missing = [n for n in EXPECTED_EXPORTS if not os.path.isfile(os.path.join(folder, n))]
    if missing or not shutil.which(objdump):
        print(f"SKIP: {', '.join(missing) or objdump} not found (looked in {folder})")
        return SKIP
    print(f"Checking {os.path.abspath(folder)} ({want_format})")
    report = Report()
    for name in EXPECTED_EXPORTS:
        check_library(report, objdump, want_format, folder, name)
    skipped_version = needs_missing_32bit(reader)
    if skipped_version:
        print("SKIP  version resource not read: this machine runs no 32-bit processes, so the"
              " 32-bit reader cannot start (the 64-bit tree's release check reads it)")
    elif reader:
        check_version(report, reader, folder)
    print(f"{report.failures} check(s) failed" if report.failures else "all checks passed")
    if report.failures:
        return 1
    return SKIP if skipped_version else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
