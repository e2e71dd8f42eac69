#!/usr/bin/env python3
"""Fails when a Windows executable's imports could hurt it on a clinic's PC.

Reads the import and the delay-import descriptors itself, and fails when:
- the image is not a 32-bit GUI program (with --any-machine, a 64-bit one passes this);
- it imports, statically or delayed, a DLL that Windows may take from the program's folder;
- it imports a function Windows Vista does not have;
- a DLL name or an address slot in its import section is reached by no descriptor: the loader
  never fills such a slot, and the first call through it jumps to address 0.
"""
import re
import struct
import sys

# Only DLLs that Windows takes from its system folder whatever lies beside the program (its known DLLs
# on every version from Vista to 10). The common controls are not among them: the program loads them
# itself once it has restricted the DLL search.
ALLOWED_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
    "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll",
    "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
# Functions the program might be tempted to import that Vista lacks.
DENIED_FUNCTIONS = {
    "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext", "GetThreadDpiAwarenessContext",
    "GetDpiForWindow", "GetDpiForSystem", "GetSystemMetricsForDpi", "AdjustWindowRectExForDpi",
    "SystemParametersInfoForDpi", "EnableNonClientDpiScaling", "GetDpiForMonitor", "SetProcessDpiAwareness",
    "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
    "GetSystemTimePreciseAsFileTime", "CreateFile2", "SetThreadDescription", "GetCurrentProcessorNumberEx",
    "GetLogicalProcessorInformationEx", "SetThreadErrorMode", "InitializeSynchronizationBarrier",
    "WaitOnAddress", "WakeByAddressSingle", "PathCchCombine", "PathCchAppend", "ChangeWindowMessageFilterEx",
}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not a Windows executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a Windows executable")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.pe32 = self.magic == 0x10B
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        self.image_base = (struct.unpack_from("<I", data, optional + 28)[0] if self.pe32
                           else struct.unpack_from("<Q", data, optional + 24)[0])
        directories = optional + (96 if self.pe32 else 112)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(min(count, 16))]
        self.directories += [(0, 0)] * (16 - len(self.directories))
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), vaddr, max(vsize, rsize), rawptr, rsize))
        self.slot = 4 if self.pe32 else 8

    def offset(self, rva):
        for _, vaddr, size, rawptr, rsize in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr if rva - vaddr < rsize else None
        return None

    def u32(self, rva):
        at = self.offset(rva)
        return None if at is None else struct.unpack_from("<I", self.data, at)[0]

    def thunk(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        return struct.unpack_from("<I" if self.pe32 else "<Q", self.data, at)[0]

    def text(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        end = self.data.find(b"\0", at)
        return self.data[at:end].decode("latin-1")

    def section_of(self, rva):
        for name, vaddr, size, _, _ in self.sections:
            if vaddr <= rva < vaddr + size:
                return name, vaddr, size
        return None


def read_thunks(image, table_rva, to_rva):
    """The functions of one lookup table (names, or '#n' for ordinals), and the RVAs of its slots."""
    functions, slots = [], []
    ordinal_flag = 1 << (31 if image.pe32 else 63)
    rva = table_rva
    while True:
        value = image.thunk(rva)
        if value is None:
            raise ValueError("a lookup table runs outside the image at %#x" % rva)
        if value == 0:
            break
        slots.append(rva)
        if value & ordinal_flag:
            functions.append("#%d" % (value & 0xFFFF))
        else:
            name = image.text(to_rva(value) + 2)
            functions.append(name if name is not None else "?")
        rva += image.slot
    return functions, slots


def descriptors(image):
    """(dll, functions, kind, name rva, lookup table slot rvas, address slot rvas) for each import."""
    found = []
    rva, size = image.directories[1]
    if rva:
        at = rva
        while True:
            lookup, _, _, name, first = (image.u32(at + 4 * i) for i in range(5))
            if lookup is None or (lookup == 0 and name == 0 and first == 0):
                break
            dll = image.text(name)
            functions, lookup_slots = read_thunks(image, lookup or first, lambda v: v)
            _, address_slots = read_thunks(image, first, lambda v: v) if lookup else ([], lookup_slots)
            found.append((dll, functions, "static", name, lookup_slots, address_slots))
            at += 20
    rva, size = image.directories[13]
    if rva:
        at = rva
        while True:
            fields = [image.u32(at + 4 * i) for i in range(8)]
            if fields[0] is None or not any(fields):
                break
            attributes, name, _, address_table, name_table = fields[:5]
            # Old-style descriptors hold virtual addresses instead of RVAs.
            to_rva = (lambda v: v) if attributes & 1 else (lambda v: v - image.image_base)
            dll = image.text(to_rva(name))
            functions, lookup_slots = read_thunks(image, to_rva(name_table), to_rva)
            address_slots = [to_rva(address_table) + image.slot * i for i in range(len(lookup_slots))]
            found.append((dll, functions, "delayed", to_rva(name), lookup_slots, address_slots))
            at += 32
    return found


def orphans(image, found):
    """DLL names and address slots in the import section that no descriptor reaches."""
    problems = []
    reached_names = {name for _, _, _, name, _, _ in found}
    reached_slots = set()
    for _, _, _, _, lookup_slots, address_slots in found:
        reached_slots.update(lookup_slots)
        reached_slots.update(address_slots)
    iat_rva, iat_size = image.directories[12]
    import_rva = image.directories[1][0]
    section = image.section_of(import_rva or iat_rva) if (import_rva or iat_rva) else None
    if section:
        name, vaddr, size = section
        start = image.offset(vaddr)
        raw = image.data[start:start + size]
        for match in re.finditer(rb"[A-Za-z0-9_.\-]+\.(?:dll|DLL|Dll)\0", raw):
            rva = vaddr + match.start()
            # Names that are part of a longer string (a path) are not DLL names of the import table.
            if match.start() > 0 and raw[match.start() - 1] != 0:
                continue
            if rva not in reached_names:
                problems.append("the import section names %s, but no import or delay-import descriptor reaches it"
                                % match.group().rstrip(b"\0").decode("latin-1"))
    if iat_rva:
        rva = iat_rva
        while rva < iat_rva + iat_size:
            value = image.thunk(rva)
            # Zeros end the descriptors' tables; a filled slot must belong to one of them.
            if value and rva not in reached_slots:
                problems.append("address slot %#x of the import address table belongs to no descriptor" % rva)
            rva += image.slot
    return problems


def main(argv):
    any_machine = "--any-machine" in argv
    paths = [a for a in argv[1:] if not a.startswith("--")]
    if len(paths) != 1:
        print("usage: check-imports.py [--any-machine] PROGRAM.exe")
        return 2
    path = paths[0]
    with open(path, "rb") as f:
        image = Image(f.read())
    problems = []
    if image.machine != 0x14C or not image.pe32 or image.subsystem != 2:
        if not (any_machine and image.subsystem == 2):
            problems.append("not a 32-bit GUI executable (machine %#x, subsystem %d)" % (image.machine, image.subsystem))
    found = descriptors(image)
    if not found:
        problems.append("no import table found")
    for dll, functions, kind, _, _, _ in found:
        if (dll or "").lower() not in ALLOWED_DLLS:
            problems.append("imports a DLL that Windows may load from the program's folder (%s): %s" % (kind, dll))
        for function in functions:
            if function in DENIED_FUNCTIONS:
                problems.append("imports %s (%s), which Windows Vista does not have: look it up at run time"
                                % (function, kind))
    problems += orphans(image, found)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    dlls = sorted({(d or "").lower() for d, _, _, _, _, _ in found})
    delayed = sorted({(d or "").lower() for d, _, k, _, _, _ in found if k == "delayed"})
    functions = sum(len(f) for _, f, _, _, _, _ in found)
    print("%s: %d system DLLs (%s), %d delayed, %d functions, all present on Vista, every name and slot reached"
          % (path.rsplit("/", 1)[-1], len(dlls), " ".join(dlls), len(delayed), functions))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
