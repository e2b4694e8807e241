"""A small reader of PE modules (exports, imports, resources, version block) and the static
checks of ORVIX.DLL that need no Windows to run: this machine's Wine runs only the x86_64
module, so the i686 one is checked from its file (and the x86_64 one the same way)."""

import struct
from pathlib import Path

MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664
RT_STRING = 6
RT_VERSION = 16
SYS_WIN32 = 1
SYS_WIN64 = 3

SOURCE_ROOT = Path(__file__).resolve().parent.parent.parent


class PeError(Exception):
    pass


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic == 0x10B:
            directories = optional + 96
        elif magic == 0x20B:
            directories = optional + 112
        else:
            raise PeError("unknown optional header 0x%x" % magic)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for index in range(sections):
            name, virtual_size, address, raw_size, raw_pointer = struct.unpack_from("<8sIIII", data, table + 40 * index)
            self.sections.append((name.rstrip(b"\0"), address, max(virtual_size, raw_size), raw_pointer, raw_size))

    def offset(self, rva):
        for _, address, size, raw_pointer, raw_size in self.sections:
            if address <= rva < address + size:
                if rva - address >= raw_size:
                    raise PeError("RVA 0x%x lies outside the file" % rva)
                return raw_pointer + rva - address
        raise PeError("RVA 0x%x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def exports(self):
        rva, size = self.directories[0]
        if rva == 0:
            return []
        fields = struct.unpack_from("<IIHHIIIIIII", self.data, self.offset(rva))
        names, name_table = fields[7], fields[9]
        return [self.c_string(struct.unpack_from("<I", self.data, self.offset(name_table) + 4 * i)[0])
                for i in range(names)]

    def imports(self):
        rva, _ = self.directories[1]
        result = []
        if rva == 0:
            return result
        position = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, position)
            if descriptor == (0, 0, 0, 0, 0):
                return result
            result.append(self.c_string(descriptor[3]))
            position += 20

    def resources(self):
        """{(type, name, language): bytes}; type and name are numbers or upper-case strings."""
        rva, _ = self.directories[2]
        found = {}
        if rva == 0:
            return found
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for index in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * index)
                if ident & 0x80000000:
                    position = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, position)[0]
                    ident = self.data[position + 2:position + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for type_id, type_target in entries(0):
            for name_id, name_target in entries(type_target & 0x7FFFFFFF):
                for language, leaf in entries(name_target & 0x7FFFFFFF):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(type_id, name_id, language)] = self.data[start:start + size]
        return found

    def resource(self, type_id, name_id):
        for (kind, name, _), data in self.resources().items():
            if kind == type_id and name == name_id:
                return data
        return None


def string_from_table(block, index):
    """String `index` (0 to 15) of a string-table block."""
    position = 0
    for _ in range(index):
        length = struct.unpack_from("<H", block, position)[0]
        position += 2 + 2 * length
    length = struct.unpack_from("<H", block, position)[0]
    return block[position + 2:position + 2 + 2 * length].decode("utf-16-le")


def parse_version_node(data, position=0):
    """One node of a version block: (key, value bytes, children), and where it ends."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, position)
    end = position + length
    key_start = position + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    cursor = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if value_type == 1 else value_length
    value = data[cursor:cursor + value_size]
    cursor = (cursor + value_size + 3) & ~3
    children = []
    while cursor < end:
        child, child_end = parse_version_node(data, cursor)
        children.append(child)
        cursor = (child_end + 3) & ~3
    return (key, value, children), end


def version_strings(block):
    """The fixed file version and {name: text} of every string table in a version block."""
    (key, value, children), _ = parse_version_node(block)
    if key != "VS_VERSION_INFO":
        raise PeError("not a version block")
    signature, _, file_ms, file_ls = struct.unpack_from("<IIII", value, 0)
    if signature != 0xFEEF04BD:
        raise PeError("no fixed file information")
    file_os, file_type = struct.unpack_from("<II", value, 32)
    fixed = {"version": (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF),
             "os": file_os, "type": file_type}
    strings = {}
    for child_key, _, tables in children:
        if child_key != "StringFileInfo":
            continue
        for table_key, _, entries in tables:
            for name, text, _ in entries:
                strings[(table_key.upper(), name)] = text.decode("utf-16-le").rstrip("\0")
    return fixed, strings


def check_module(path, machine, system_kind, report):
    """The static checks of one ORVIX.DLL; `report(passed, what, detail)`."""
    try:
        module = PeFile(Path(path).read_bytes())
    except (OSError, PeError, struct.error) as error:
        report(False, "%s is a readable PE module" % path, str(error))
        return
    report(module.machine == machine, "machine 0x%x" % machine, "got 0x%x" % module.machine)
    report(bool(module.characteristics & 0x2000), "the module is a DLL", None)
    exports = module.exports()
    report(sorted(exports) == ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"],
           "exactly the four exports, undecorated", exports)
    runtime = [name for name in module.imports()
               if name.lower().startswith(("libgcc", "libstdc++", "libwinpthread"))]
    report(not runtime, "no mingw runtime DLL is needed", runtime)

    typelib = module.resource("TYPELIB", 1)
    report(typelib is not None and typelib[:4] == b"MSFT", "TYPELIB 1 holds a type library", None)
    if typelib is not None and len(typelib) >= 0x18:
        kind = struct.unpack_from("<I", typelib, 0x14)[0] & 0xF
        report(kind == system_kind, "the type library's system kind is %d" % system_kind, "got %d" % kind)
    script = module.resource("REGISTRY", 102)
    expected_script = (SOURCE_ROOT / "src" / "com" / "ORVIX.rgs").read_bytes()
    report(script == expected_script, "REGISTRY 102 holds the registration script (%d bytes)" % len(expected_script),
           None if script is None else "got %d bytes" % len(script))
    strings = module.resource(RT_STRING, 100 // 16 + 1)
    report(strings is not None and string_from_table(strings, 100 % 16) == "ORVIX", "string 100 is ORVIX", None)

    version = module.resource(RT_VERSION, 1)
    if not report(version is not None, "version resource 1", None):
        return
    fixed, texts = version_strings(version)
    report(fixed["version"] == (1, 0, 0, 4), "file version 1.0.0.4", fixed["version"])
    report(fixed["type"] == 2 and fixed["os"] == 4, "a DLL for 32-bit Windows in the fixed information",
           (fixed["type"], fixed["os"]))
    expected = {
        "FileDescription": "OPOS driver for Linedisplay v1.0b004",
        "FileVersion": "1, 0, 0, 4",
        "InternalName": "ORVIX",
        "OriginalFilename": "ORVIX.DLL",
        "ProductName": "ORVIX Module",
        "ProductVersion": "1, 0, 0, 4",
        "OLESelfRegister": "",
        "Comments": "",
        "CompanyName": "",
        "LegalTrademarks": "",
        "PrivateBuild": "",
        "SpecialBuild": "",
    }
    for name, text in expected.items():
        actual = texts.get(("040904B0", name))
        report(actual == text, "version string %s" % name, "got %r" % (actual,))
    report(("040904B0", "LegalCopyright") in texts, "version string LegalCopyright", None)


ARCHITECTURES = {"i686": (MACHINE_I386, SYS_WIN32), "x86_64": (MACHINE_AMD64, SYS_WIN64)}


def check_static(path, architecture):
    """Prints the static checks of the module at `path` built for `architecture`; gives the
    failed ones."""
    failures = []

    def report(passed, what, detail):
        print(("ok " if passed else "FAIL ") + what, flush=True)
        if not passed:
            failures.append(what)
            if detail is not None:
                print("  %s" % (detail,), flush=True)
        return passed

    machine, system_kind = ARCHITECTURES[architecture]
    check_module(path, machine, system_kind, report)
    print("%s: %d failed" % (path, len(failures)))
    return failures
