#!/usr/bin/env python3
"""Checks that a folder holds the two plug-in libraries in the form a host needs.

    check_release.py FOLDER [--arch i386|x86-64] [--unstripped DIR]
                     [--version-reader COMMAND...]

From the built files alone (objdump -p): the machine type, the exact export
lists, the imported libraries (the host's model library and Windows system
libraries only, never a MinGW runtime library, and no load-time link from
Kelvado.dll to KelvadoImpl.dll).

For the shipped 32-bit libraries (i386, the default) also: every imported
function is one that Windows XP SP3 has; the PE header lets XP's loader
accept the file (subsystem version at most 5.1) and keeps DYNAMIC_BASE,
NX_COMPAT and NO_SEH, and no code installs an exception handler through
%fs:0 (what NO_SEH promises); there is no TLS directory and no .tls
section; no debug section is left, and a debug link names the separate
debug file; no time stamp of the build is left in the PE file header, the
export directory or the resource directory (all 0, so two builds of the
same sources are the same bytes); FOLDER holds the package
Kelvado-VERSION-win32.zip with exactly the two libraries, INSTALL.txt and
the MIT LICENSE.txt (CRLF line ends), its entries in the fixed order and
with the fixed date. DIR (required) holds the unstripped libraries: their
code must be the shipped code, and their symbols and disassembly must show
the host's calling convention (calling_convention.py).

With --version-reader, the remaining arguments are a command that prints a
library's version strings as KEY=VALUE lines when given its Windows path
(our read_version tool under Wine); its output is compared with the
expected values of both libraries.

Exit status: 0 all checks passed, 1 a check failed, 77 the folder or a tool
is missing (reported as a skip, never as a pass).
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "packaging"))
import calling_convention  # noqa: E402  (next to this file)
# The one place of the version, and of the package's entry order and date.
from make_dist import ENTRY_DATE, PACKAGE_ORDER, read_version  # noqa: E402

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
# The functions of Windows XP SP3's system libraries that the shipped
# libraries import. Each was checked against what XP SP3 exports; an import
# that is not listed here fails the check until it has been checked too.
XP_SP3_FUNCTIONS = {
    "kernel32.dll": {
        "CloseHandle", "CreateFileA", "CreateSemaphoreW", "DeleteCriticalSection",
        "EnterCriticalSection", "FormatMessageA", "FreeLibrary", "GetCurrentDirectoryA",
        "GetCurrentThreadId", "GetFileSize", "GetFullPathNameA", "GetLastError", "GetLocaleInfoA",
        "GetModuleHandleA", "GetModuleHandleW", "GetProcAddress", "InitializeCriticalSection",
        "IsDBCSLeadByteEx", "LeaveCriticalSection", "LoadLibraryA", "LoadLibraryW",
        "MultiByteToWideChar", "ReadFile", "ReleaseSemaphore", "SetCurrentDirectoryA",
        "SetFilePointer", "SetLastError", "Sleep", "TlsAlloc", "TlsFree",
        "TlsGetValue", "TlsSetValue", "VirtualAlloc", "VirtualFree", "VirtualProtect",
        "VirtualQuery", "WaitForSingleObject", "WideCharToMultiByte",
    },
    "user32.dll": {
        "EnableWindow", "EnumThreadWindows", "GetActiveWindow", "GetWindow",
        "GetWindowThreadProcessId", "IsWindowEnabled", "IsWindowVisible", "MessageBoxA",
    },
    "comdlg32.dll": {"GetOpenFileNameA"},
    "msvcrt.dll": {
        "__mb_cur_max", "_amsg_exit", "_close", "_errno", "_initterm", "_iob", "_lock", "_read",
        "_unlock", "abort", "atoi", "calloc", "fputc", "fputs", "free", "fwrite", "localeconv",
        "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc", "setlocale",
        "strchr", "strcmp", "strcspn", "strerror", "strlen", "strncmp", "vfprintf", "wcslen",
    },
}
# The host's model library: the nine operations the implementation calls.
HOST_FUNCTIONS = {
    "msmodellib.dll": {
        "msMesh_AddTriangle", "msMesh_AddVertex", "msMesh_GetTriangleAt", "msMesh_GetVertexAt",
        "msModel_AddMesh", "msModel_GetMeshAt", "msTriangle_SetVertexIndices",
        "msVertex_SetTexCoords", "msVertex_SetVertex",
    },
}
# The start-up code that registers a library's frame tables for unwinding,
# and the import entry through which it asks whether the toolchain's shared
# runtime library is loaded; the libraries answer that lookup themselves,
# through the entry the linker's --wrap gives them.
FRAME_REGISTRATION = "__gcc_register_frame"
LOOKUP_ENTRY = "_imp__GetModuleHandleA@4"
OWN_LOOKUP_ENTRY = "__wrap_" + LOOKUP_ENTRY
# Windows XP is 5.1; its loader refuses a file that asks for a later one.
XP_VERSION = (5, 1)
DESCRIPTIONS = {"Kelvado.dll": "Jedi Knight 3DO import plug-in",
                "KelvadoImpl.dll": "Jedi Knight 3DO import implementation"}
PACKAGE_FILES = ["INSTALL.txt", "Kelvado.dll", "KelvadoImpl.dll", "LICENSE.txt"]
TOOLS = {"i386": ("pei-i386", "i686-w64-mingw32-objdump", "i686-w64-mingw32-nm"),
         "x86-64": ("pei-x86-64", "x86_64-w64-mingw32-objdump", "x86_64-w64-mingw32-nm")}


class Report:
    """Collects the outcome of each check and prints one line per check."""

    def __init__(self):
        self.failures = 0

    def check(self, ok, what, detail=""):
        print(("ok    " if ok else "FAIL  ") + what + ("" if ok or not detail else ": " + detail))
        if not ok:
            self.failures += 1


class PeFacts:
    """What objdump reports about a PE file: format, exports, imports, header."""

    def __init__(self, objdump, path):
        text = subprocess.run([objdump, "-p", "-h", path], check=True, capture_output=True,
                              text=True).stdout
        match = re.search(r"file format (\S+)", text)
        self.file_format = match.group(1) if match else "unknown"
        self.imports = read_imports(text)
        self.exports = read_exports(text)
        self.subsystem = tuple(int(v) for v in re.findall(
            r"^M(?:ajor|inor)SubsystemVersion\s+(\d+)", text, re.M))
        match = re.search(r"^DllCharacteristics\s+\S+\n((?:\t+\S+\n)*)", text, re.M)
        self.characteristics = set(match.group(1).split()) if match else set()
        match = re.search(r"^Entry 9 ([0-9a-f]+) ([0-9a-f]+)", text, re.M)
        self.tls_directory = bool(match and int(match.group(1), 16))
        self.sections = re.findall(r"^\s*\d+ (\S+)\s+[0-9a-f]{8} ", text, re.M)


def read_imports(text):
    """{library name: [function names]} from objdump's import tables."""
    imports = {}
    for block in re.split(r"^\s*DLL Name: ", text, flags=re.M)[1:]:
        lines = block.splitlines()
        imports[lines[0].strip()] = [found.group(1) for found in (
            re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)\s*$", line) for line in lines[1:]) if found]
    return imports


def read_exports(text):
    exports = []
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) == 2:
        for line in table[1].splitlines()[1:]:
            found = re.match(r"^\s*\[\s*\d+\]\s+(\S+)", line)
            if not found:
                break
            exports.append(found.group(1))
    return sorted(exports)


def check_library(report, facts, want_format, name):
    imports = list(facts.imports)
    report.check(facts.file_format == want_format, f"{name} is {want_format}", facts.file_format)
    report.check(facts.exports == EXPECTED_EXPORTS[name], f"{name} exports exactly "
                 + ", ".join(EXPECTED_EXPORTS[name]), "exports " + ", ".join(facts.exports[:12])
                 + (" ..." if len(facts.exports) > 12 else "") + f" ({len(facts.exports)} names)")
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


def check_windows_xp(report, facts, name):
    """Imports, header and TLS as Windows XP SP3's loader needs them."""
    known = {**XP_SP3_FUNCTIONS, **(HOST_FUNCTIONS if name == "KelvadoImpl.dll" else {})}
    foreign = [f"{library}!{function}" for library, functions in facts.imports.items()
               for function in functions if function not in known.get(library.lower(), set())]
    count = sum(len(functions) for functions in facts.imports.values())
    report.check(not foreign, f"{name}'s {count} imported functions are all in Windows XP SP3"
                 + (" or msModelLib.dll" if name == "KelvadoImpl.dll" else ""),
                 "not on the list: " + ", ".join(foreign))
    shown = ".".join(map(str, facts.subsystem))
    report.check(len(facts.subsystem) == 2 and facts.subsystem <= XP_VERSION,
                 f"{name} subsystem version {shown} is at most 5.1", shown)
    # NO_SEH: the code registers no structured exception handler (C++
    # exceptions unwind by their DWARF tables). Without the flag, and with
    # no SafeSEH table, Windows would take any address in the file as the
    # handler of an overwritten frame record, which scanners flag.
    for flag in ("DYNAMIC_BASE", "NX_COMPAT", "NO_SEH"):
        report.check(flag in facts.characteristics, f"{name} has {flag} set",
                     " ".join(sorted(facts.characteristics)) or "no flags")
    report.check(not facts.tls_directory and ".tls" not in facts.sections,
                 f"{name} has no TLS directory and no .tls section",
                 "TLS directory present" if facts.tls_directory else ".tls section present")


def stores_to_exception_list(code):
    """The instructions that write the head of the thread's handler list, %fs:0."""
    found = []
    for instruction in code:
        mnemonic, _, rest = instruction.partition(" ")
        operands = calling_convention.split_operands(rest.strip())
        # AT&T syntax names the destination last; these only read it.
        if operands and re.fullmatch(r"%fs:0(x0)?", operands[-1]) and not mnemonic.startswith(
                ("push", "cmp", "test")):
            found.append(instruction)
    return found


def check_no_seh_handler(report, objdump, path, name):
    """NO_SEH holds: no code of the file installs a handler in %fs:0."""
    code = calling_convention.disassemble(objdump, path, 0, 0xFFFFFFFF)
    stores = stores_to_exception_list(code)
    report.check(code and not stores, f"{name}'s code installs no exception handler (no store"
                 " to %fs:0)", "; ".join(f"`{s}`" for s in stores[:5]) or "no code found")


def check_stripped(report, facts, name):
    debug = [s for s in facts.sections if s.startswith((".debug", ".zdebug"))]
    report.check(not debug, f"{name} holds no debug sections", ", ".join(debug))
    report.check(".gnu_debuglink" in facts.sections, f"{name} links its separate debug file",
                 "no .gnu_debuglink section")


def read_time_stamps(path):
    """{field: value} of a PE file's time stamps: the file header's, and those
    of the export and resource directories where the file has them."""
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    stamps = {"file header": struct.unpack_from("<I", data, pe + 8)[0]}
    optional = pe + 24
    # PE32 (magic 0x10b) keeps its data directories at 96, PE32+ at 112.
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    table = optional + optional_size
    for entry, what in ((0, "export directory"), (2, "resource directory")):
        rva = struct.unpack_from("<I", data, directories + 8 * entry)[0]
        for i in range(sections if rva else 0):
            size, start, raw_size, raw_at = struct.unpack_from("<4xIIII", data, table + 40 * i + 4)
            if start <= rva < start + max(size, raw_size):
                stamps[what] = struct.unpack_from("<I", data, raw_at + rva - start + 4)[0]
    return stamps


def check_no_time_stamps(report, path, name):
    """Nothing of the build's time is left, so that every build is the same bytes."""
    stamps = read_time_stamps(path)
    set_stamps = {what: hex(value) for what, value in stamps.items() if value != 0}
    report.check(not set_stamps, f"{name} carries no build time ("
                 + ", ".join(stamps) + " time stamps 0)",
                 ", ".join(f"{what} {value}" for what, value in set_stamps.items()))


def check_same_code(report, shipped, unstripped, name):
    """The unstripped file that the convention check reads has the shipped code."""
    same = (calling_convention.PeImage(shipped).section_bytes(".text")
            == calling_convention.PeImage(unstripped).section_bytes(".text"))
    report.check(same, f"{name}'s code is that of the unstripped file checked below",
                 f"{shipped} and {unstripped} differ in .text")


def check_package(report, folder, version):
    package = f"Kelvado-{version}-win32.zip"
    path = os.path.join(folder, package)
    if not os.path.isfile(path):
        report.check(False, f"{package} is there", f"not found in {folder}")
        return
    with zipfile.ZipFile(path) as archive:
        names = sorted(archive.namelist())
        report.check(names == PACKAGE_FILES, f"{package} holds exactly "
                     + ", ".join(PACKAGE_FILES), ", ".join(names))
        # Neither the build's clock nor the order of a folder listing shows.
        entries = [(entry.filename, entry.date_time) for entry in archive.infolist()]
        want = [(name, ENTRY_DATE) for name in PACKAGE_ORDER]
        report.check(entries == want, f"{package}'s entries stand in the fixed order with the"
                     " fixed date " + "-".join(map(str, ENTRY_DATE[:3])),
                     ", ".join(f"{n} {'-'.join(map(str, d[:3]))}" for n, d in entries))
        for name in EXPECTED_EXPORTS:
            packed = archive.read(name) if name in names else b""
            with open(os.path.join(folder, name), "rb") as f:
                report.check(packed == f.read(), f"{package}'s {name} is the one in the folder")
        for name in ("INSTALL.txt", "LICENSE.txt"):
            text = archive.read(name) if name in names else b""
            bare = text.replace(b"\r\n", b"").count(b"\n")
            report.check(text and bare == 0, f"{package}'s {name} has CRLF line ends",
                         f"{bare} lines end in LF alone" if text else "missing or empty")
        licence = archive.read("LICENSE.txt") if "LICENSE.txt" in names else b""
        report.check(licence.startswith(b"MIT License\r\n"),
                     f"{package}'s LICENSE.txt is the MIT licence", "it is not")


def check_convention(report, tools, unstripped):
    for name in EXPECTED_EXPORTS:
        if not os.path.isfile(os.path.join(unstripped, name)):
            report.check(False, f"the unstripped {name} is there", f"not found in {unstripped}")
            return
    calling_convention.check_table(report, tools, os.path.join(unstripped, "Kelvado.dll"))
    for name in EXPECTED_EXPORTS:
        calling_convention.check_exports(report, tools, os.path.join(unstripped, name), name)


def indirect_call_targets(code):
    """The addresses of the pointers that `call *ADDRESS` instructions call through."""
    return {int(found.group(1), 16) for found in (
        re.match(r"^call\S*\s+\*0x([0-9a-f]+)$", instruction) for instruction in code) if found}


def check_own_unwinder(report, tools, unstripped):
    """The start-up lookup of the shared runtime library never reaches the system.

    Were it answered by GetModuleHandleA, a host process that holds that
    library would get the frame tables registered with its unwinder, and
    every exception of ours would end in std::terminate.
    """
    for name in EXPECTED_EXPORTS:
        path = os.path.join(unstripped, name)
        symbols = calling_convention.Symbols(tools[1], path)
        found = calling_convention.function_code(tools, path, symbols, FRAME_REGISTRATION)
        targets = indirect_call_targets(found[0]) if found else set()
        real = symbols.by_name.get(LOOKUP_ENTRY)
        own = symbols.by_name.get(OWN_LOOKUP_ENTRY)
        report.check(own in targets and real not in targets,
                     f"{name}'s start-up lookup of the shared runtime library is its own, not "
                     "GetModuleHandleA", f"no {FRAME_REGISTRATION}" if found is None else
                     "calls through " + ", ".join(f"{t:#x}" for t in sorted(targets))
                     + f" (own entry {own and hex(own)}, system's {real and hex(real)})")


def check_shipped_i386(report, tools, folder, unstripped, facts):
    for name in EXPECTED_EXPORTS:
        check_windows_xp(report, facts[name], name)
        check_no_seh_handler(report, tools[0], os.path.join(folder, name), name)
        check_stripped(report, facts[name], name)
        check_no_time_stamps(report, os.path.join(folder, name), name)
        check_same_code(report, os.path.join(folder, name), os.path.join(unstripped, name), name)
    check_package(report, folder, read_version())
    check_convention(report, tools, unstripped)
    check_own_unwinder(report, tools, unstripped)


def expected_version(name, version):
    return {"FixedFileVersion": version, "FixedProductVersion": version,
            "FileVersion": version, "ProductVersion": version, "InternalName": name,
            "OriginalFilename": name, "FileDescription": DESCRIPTIONS[name]}


def check_version(report, reader, folder):
    for name in EXPECTED_EXPORTS:
        path = os.path.abspath(os.path.join(folder, name))
        result = subprocess.run(reader + ["Z:" + path], capture_output=True, text=True,
                                timeout=120)
        values = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
        report.check(result.returncode == 0, f"{name}'s version resource reads back",
                     (result.stdout + result.stderr).strip())
        for key, want in expected_version(name, read_version()).items():
            got = values.get(key)
            report.check(got == want, f'{name} {key} is "{want}"', f"{got!r}")


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


def take_option(argv, option, default=None):
    """Removes `option VALUE` from argv and returns VALUE (or the default)."""
    if option not in argv:
        return default
    at = argv.index(option)
    value = argv[at + 1] if at + 1 < len(argv) else None
    del argv[at:at + 2]
    return value


def main(argv):
    reader = None
    if "--version-reader" in argv:
        at = argv.index("--version-reader")
        argv, reader = argv[:at], argv[at + 1:]
    arch = take_option(argv, "--arch", "i386")
    unstripped = take_option(argv, "--unstripped")
    if len(argv) != 1 or arch not in TOOLS or (arch == "i386" and not unstripped):
        print(__doc__.strip())
        return 2
    folder = argv[0]
    want_format, objdump, nm = TOOLS[arch]
    missing = [n for n in EXPECTED_EXPORTS if not os.path.isfile(os.path.join(folder, n))]
    tool_missing = [t for t in (objdump, nm) if not shutil.which(t)]
    if missing or tool_missing:
        print(f"SKIP: {', '.join(missing + tool_missing)} not found (looked in {folder})")
        return SKIP
    print(f"Checking {os.path.abspath(folder)} ({want_format})")
    report = Report()
    facts = {name: PeFacts(objdump, os.path.join(folder, name)) for name in EXPECTED_EXPORTS}
    for name in EXPECTED_EXPORTS:
        check_library(report, facts[name], want_format, name)
    if arch == "i386":
        check_shipped_i386(report, (objdump, nm), folder, unstripped, facts)
    skipped_version = needs_missing_32bit(reader)
    if skipped_version:
        print("SKIP  version resources not read: this machine runs no 32-bit processes, so the"
              " 32-bit reader cannot start (the 64-bit tree's release check reads them)")
    elif reader:
        check_version(report, reader, folder)
    print(f"{report.failures} check(s) failed" if report.failures else "all checks passed")
    if report.failures:
        return 1
    return SKIP if skipped_version else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
