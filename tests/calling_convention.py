"""Reads the host's calling convention out of the unstripped 32-bit libraries.

A host built with Microsoft's compiler calls the plug-in object through a
table of four slots (destroy, type, title, execute), passes `this` in ECX
and expects the callee to pop its stack arguments (`ret 4` for the two slots
that take one). The exports of both libraries are plain C functions, whose
caller pops the arguments (a plain `ret`). This module finds the table by
the library's symbols, reads it from the file and disassembles each
function with objdump, so the convention is proven on machines that cannot
run the code.
"""
import re
import struct
import subprocess

PLUGIN_TABLE = "vtable for ForwardingPlugIn"
# Slot name and the return each slot must end with: "$0x4" pops one argument.
SLOTS = [("Destroy", "$0x4"), ("GetType", ""), ("GetTitle", ""), ("Execute", "$0x4")]
C_EXPORTS = {"Kelvado.dll": ["CreatePlugIn"],
             "KelvadoImpl.dll": ["plugin_GetType", "plugin_GetTitle", "plugin_Execute"]}
ECX = re.compile(r"%(ecx|cx|cl|ch)\b")
# Instructions that only write their last operand.
WRITE_ONLY = {"mov", "movl", "movzbl", "movzwl", "movsbl", "movswl", "lea", "pop", "popl"}
ZEROING = {"xor", "xorl", "sub", "subl"}
MAX_SLOTS = 16


class PeImage:
    """The sections of a PE32 file, addressed by virtual address."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        count, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        self.image_base = struct.unpack_from("<I", self.data, pe + 24 + 28)[0]
        self.sections = {}
        table = pe + 24 + optional_size
        for i in range(count):
            name, vsize, rva, raw_size, raw_at = struct.unpack_from("<8sIIII", self.data,
                                                                    table + 40 * i)
            self.sections[name.rstrip(b"\0").decode("ascii", "replace")] = (
                self.image_base + rva, vsize, self.data[raw_at:raw_at + min(vsize, raw_size)])

    def section_bytes(self, name):
        return self.sections.get(name, (0, 0, b""))[2]

    def in_section(self, name, address):
        start, size, _ = self.sections.get(name, (0, 0, b""))
        return start <= address < start + size

    def word_at(self, address):
        for start, size, content in self.sections.values():
            if start <= address and address + 4 <= start + len(content):
                return struct.unpack_from("<I", content, address - start)[0]
        return None


class Symbols:
    """Demangled symbols of a file, with the address range of each function."""

    def __init__(self, nm, path):
        text = subprocess.run([nm, "-C", "-n", path], check=True, capture_output=True,
                              text=True).stdout
        self.by_name = {}
        self.by_address = {}
        for line in text.splitlines():
            found = re.match(r"^([0-9a-f]+) \S (.+)$", line)
            if found:
                address = int(found.group(1), 16)
                self.by_name.setdefault(found.group(2), address)
                self.by_address.setdefault(address, []).append(found.group(2))
        self.addresses = sorted(self.by_address)

    def end_of(self, address):
        """The next symbol's address: where the function at `address` ends."""
        later = [a for a in self.addresses if a > address]
        return later[0] if later else address + 1

    def cold_part(self, name):
        for cold in (name + ".cold", name + " [clone .cold]"):
            if cold in self.by_name:
                return self.by_name[cold]
        return None


def disassemble(objdump, path, start, stop):
    """(mnemonic and operand text) of each instruction from start to stop."""
    text = subprocess.run([objdump, "-d", "--no-show-raw-insn", f"--start-address={start:#x}",
                           f"--stop-address={stop:#x}", path], check=True, capture_output=True,
                          text=True).stdout
    instructions = []
    for line in text.splitlines():
        found = re.match(r"^\s*[0-9a-f]+:\s+(.*)$", line)
        if found:
            instructions.append(found.group(1).strip())
    return instructions


def split_operands(text):
    """AT&T operands, split at the commas outside parentheses."""
    operands, depth, current = [], 0, ""
    for char in text:
        depth += {"(": 1, ")": -1}.get(char, 0)
        if char == "," and depth == 0:
            operands.append(current.strip())
            current = ""
        else:
            current += char
    if current.strip():
        operands.append(current.strip())
    return operands


def reads_ecx_first(instructions):
    """'' when the code reads ECX before anything writes or clobbers it, else why not."""
    for instruction in instructions:
        mnemonic, _, rest = instruction.partition(" ")
        if mnemonic.startswith(("call", "jmp", "ret")) and not ECX.search(rest):
            return f"reaches `{instruction}` before reading ECX"
        if not ECX.search(rest):
            continue
        operands = split_operands(rest.strip())
        writes = operands and ECX.fullmatch(operands[-1])
        if writes and mnemonic in WRITE_ONLY and not any(ECX.search(o) for o in operands[:-1]):
            return f"overwrites ECX first (`{instruction}`)"
        if writes and mnemonic in ZEROING and len(operands) == 2 and operands[0] == operands[1]:
            return f"overwrites ECX first (`{instruction}`)"
        return ""
    return "never reads ECX"


def returns(instructions):
    """The operand of each return instruction ('' for a plain `ret`)."""
    found = []
    for instruction in instructions:
        tokens = instruction.replace(",", " ").split()
        for at, token in enumerate(tokens):
            if token in ("ret", "retl"):
                found.append(tokens[at + 1] if at + 1 < len(tokens) else "")
    return found


def function_code(tools, path, symbols, name):
    """The instructions of function `name` with its cold part, or None."""
    objdump, _ = tools
    address = symbols.by_name.get(name)
    if address is None:
        return None
    code = disassemble(objdump, path, address, symbols.end_of(address))
    cold = symbols.cold_part(name)
    if cold is not None:
        code += disassemble(objdump, path, cold, symbols.end_of(cold))
    return code, address


def check_returns(report, what, code, want):
    rets = returns(code)
    shown = "`ret " + want + "`" if want else "a plain `ret`"
    wrong = sorted({r for r in rets if r != want})
    detail = "no return found" if not rets else ""
    if wrong:
        detail = "returns with " + ", ".join(f"`ret {w}`" if w else "`ret`" for w in wrong)
    report.check(bool(rets) and not wrong, f"{what} returns with {shown}", detail)


def read_slots(image, symbols):
    """The function addresses in the plug-in object's table, or None without it."""
    table = symbols.by_name.get(PLUGIN_TABLE)
    if table is None:
        return None
    slots = []
    # The table's first two words are the offset to the object's top and its
    # type information; the slots follow until a word points outside the code.
    address = table + 8
    while len(slots) < MAX_SLOTS:
        word = image.word_at(address)
        if word is None or not image.in_section(".text", word):
            break
        slots.append(word)
        address += 4
    return slots


def slot_name(symbols, address):
    names = symbols.by_address.get(address, [])
    for name in names:
        found = re.search(r"::(~?\w+)\(", name)
        if found:
            return found.group(1), name
    return "?", names[0] if names else f"{address:#x}"


def check_table(report, tools, path):
    """The plug-in object's table: four slots in order, each thiscall."""
    objdump, nm = tools
    symbols = Symbols(nm, path)
    slots = read_slots(PeImage(path), symbols)
    if slots is None:
        report.check(False, "Kelvado.dll's plug-in object table is found",
                     f"no symbol '{PLUGIN_TABLE}' in {path}")
        return
    names = [slot_name(symbols, address) for address in slots]
    report.check([n for n, _ in names] == [n for n, _ in SLOTS],
                 "the plug-in object's table holds four slots: "
                 + ", ".join(n for n, _ in SLOTS),
                 f"{len(slots)} slots: " + ", ".join(full for _, full in names))
    for number, ((want, pops), address, (_, full)) in enumerate(zip(SLOTS, slots, names), 1):
        what = f"slot {number} ({want}: {full})"
        code = disassemble(objdump, path, address, symbols.end_of(address))
        why = reads_ecx_first(code)
        report.check(not why, f"{what} takes `this` in ECX", why)
        check_returns(report, what, code, pops)


def check_exports(report, tools, path, library):
    """The library's exports are C functions: their caller pops the arguments."""
    symbols = Symbols(tools[1], path)
    for name in C_EXPORTS[library]:
        found = function_code(tools, path, symbols, name)
        if found is None:
            report.check(False, f"{library} {name} returns with a plain `ret`",
                         f"no symbol {name} in {path}")
            continue
        check_returns(report, f"{library} {name}", found[0], "")
