#!/usr/bin/env python3
"""Builds one ORVIX Windows Installer package from packaging/orvix.wxs with wixl.

    scripts/build-msi.py --arch x64|x86 --version 1.1.0 --win64 DIR --win32 DIR --out FILE

DIR are the Windows build trees holding ORVIX.DLL and orvixcheck.exe (the x86 package needs
only --win32). The sources are plain WiX 3; wixl 0.101 (Debian's msitools) refuses or
drops three things of them, which this script supplies itself:

- a Condition inside a Component makes wixl stop: the conditions are taken out of the
  preprocessed source and written into the Component table afterwards (msibuild);
- Secure="yes" on a Property is ignored: those properties are added to
  SecureCustomProperties afterwards;
- the File table gets no version for a versioned file: the DLLs' file versions are
  written into it afterwards, so that Windows Installer's file rules treat them as
  versioned files.
"""
import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

PACKAGING = Path(__file__).resolve().parent.parent / "packaging"
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"
MACHINES = {"x64": 0x8664, "x86": 0x14C}


def fail(message):
    sys.exit("build-msi: " + message)


def check_module(path, arch):
    """The file must be a PE module for `arch`."""
    data = path.read_bytes() if path.is_file() else b""
    if data[:2] != b"MZ" or len(data) < 0x40:
        fail("%s is missing or no Windows module: build it first (make dll)" % path)
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0" or struct.unpack_from("<H", data, header + 4)[0] != MACHINES[arch]:
        fail("%s is not a module for %s" % (path, arch))


def file_version(path):
    """The file version of a module's version block (VS_FIXEDFILEINFO), or None."""
    data = path.read_bytes()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    most, least = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def run(command, cwd):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    if result.returncode != 0:
        fail("%s failed (exit code %d):\n%s%s" % (command[0], result.returncode, result.stdout, result.stderr))
    return result.stdout


def set_column(msi, stage, table, column, value, key_column, key):
    """UPDATE one row; msibuild's SQL has no escape for a single quote inside a value."""
    if "'" in value or "'" in key:
        fail("a value for the %s table holds a single quote: %s" % (table, value))
    run(["msibuild", str(msi), "-q", "UPDATE `%s` SET `%s` = '%s' WHERE `%s` = '%s'"
         % (table, column, value, key_column, key)], stage)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--arch", required=True, choices=sorted(MACHINES))
    parser.add_argument("--version", required=True)
    parser.add_argument("--win64", type=Path)
    parser.add_argument("--win32", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()
    for tool in ("wixl", "msibuild", "msiinfo"):
        if shutil.which(tool) is None:
            fail("%s is missing: install msitools and wixl (make deps)" % tool)

    builds = {"x86": args.win32}
    if args.arch == "x64":
        if args.win64 is None:
            fail("the x64 package needs --win64")
        builds["x64"] = args.win64

    with tempfile.TemporaryDirectory(prefix="orvix-msi-") as directory:
        stage = Path(directory)
        for source in list(PACKAGING.glob("*.wxs")) + list(PACKAGING.glob("*.wxi")):
            shutil.copy(source, stage)
        shutil.copy(PACKAGING.parent / "LICENSE", stage / "LICENSE.txt")
        versions = {}
        for arch, build in builds.items():
            (stage / arch).mkdir()
            for name in ("ORVIX.DLL", "orvixcheck.exe"):
                check_module(build / name, arch)
                shutil.copy(build / name, stage / arch / name)
            versions[arch.upper() + "DLL"] = file_version(build / "ORVIX.DLL")

        source = run(["wixl", "-E", "-D", "Arch=" + args.arch, "-D", "Version=" + args.version, "orvix.wxs"], stage)
        ElementTree.register_namespace("", WIX[1:-1])
        root = ElementTree.fromstring(source)
        conditions = {}
        for component in root.iter(WIX + "Component"):
            for condition in component.findall(WIX + "Condition"):
                conditions[component.get("Id")] = condition.text.strip()
                component.remove(condition)
        secure = []
        for prop in root.iter(WIX + "Property"):
            if prop.attrib.pop("Secure", "no") == "yes":
                secure.append(prop.get("Id"))
        (stage / "package.wxs").write_text(ElementTree.tostring(root, encoding="unicode"))

        msi = stage / "package.msi"
        run(["wixl", "-a", args.arch, "-o", str(msi), "package.wxs"], stage)
        for component, condition in sorted(conditions.items()):
            set_column(msi, stage, "Component", "Condition", condition, "Component", component)
        properties = dict(line.split("\t", 1) for line in run(["msiinfo", "export", str(msi), "Property"], stage).splitlines()[3:])
        secured = ";".join(filter(None, [properties.get("SecureCustomProperties", "")] + secure))
        set_column(msi, stage, "Property", "Value", secured, "Property", "SecureCustomProperties")
        for file_id, version in sorted(versions.items()):
            if version:
                set_column(msi, stage, "File", "Version", version, "File", file_id)

        args.out.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(msi, args.out)
    print(args.out)


if __name__ == "__main__":
    main()
