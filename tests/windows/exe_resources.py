#!/usr/bin/env python3
"""Reads the resources of a Windows program and checks what players' Windows reads there:
the version information (name and version 1.2), the manifest (asInvoker, Windows 7 to 11,
DPI unaware) and no icon of its own.

Usage: exe_resources.py EXE   (exit status 0 when all of it holds)
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
NAME = "Vask Light Cycles"
VERSION = (1, 2)
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
DPI_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
DPI_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def resources(image):
    """{type id: [data bytes, ...]} from the PE image's resource directory."""
    check(image[:2] == b"MZ", "not a Windows program")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    check(image[pe:pe + 4] == b"PE\0\0", "no PE header")
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    root_rva, root_size = struct.unpack_from("<II", image, directories + 2 * 8)
    if root_size == 0:
        return {}
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", image, table + 40 * i)[:4] for i in range(sections)]

    def offset(rva):
        for virtual_size, address, raw_size, raw in spans:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise Failure("resource address 0x%x lies in no section" % rva)

    root = offset(root_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", image, directory)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", image, directory + 16 + 8 * i)
            yield ident, target

    def leaves(target):
        if target & 0x80000000:
            for _, child in entries(root + (target & 0x7FFFFFFF)):
                yield from leaves(child)
        else:
            rva, size = struct.unpack_from("<II", image, root + target)
            yield image[offset(rva):offset(rva) + size]

    found = {}
    for ident, target in entries(root):
        if not ident & 0x80000000:
            found[ident] = list(leaves(target))
    return found


def check_version(found):
    check(RT_VERSION in found, "no version information")
    block = found[RT_VERSION][0]
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    check(fixed >= 0, "no fixed file information")
    words = struct.unpack_from("<4I", block, fixed + 8)
    file_version = (words[0] >> 16, words[0] & 0xFFFF, words[1] >> 16, words[1] & 0xFFFF)
    product_version = (words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF)
    want = VERSION + (0, 0)
    check(file_version == want, "file version %s, not %s" % (file_version, want))
    check(product_version == want, "product version %s, not %s" % (product_version, want))
    # Each string is its UTF-16 key, padding and its value, each ending in a zero.
    text = block.decode("utf-16-le", "replace")
    version = "%d.%d" % VERSION
    for key, value in [("ProductName", NAME), ("FileDescription", NAME),
                       ("FileVersion", version), ("ProductVersion", version),
                       ("OriginalFilename", "vask.exe")]:
        m = re.search(key + "\0+([^\0]*)\0", text)
        have = m.group(1) if m else None
        check(have == value, "%s is %r, not %r" % (key, have, value))


def check_manifest(found):
    check(RT_MANIFEST in found, "no manifest")
    check(len(found[RT_MANIFEST]) == 1, "%d manifests" % len(found[RT_MANIFEST]))
    root = ET.fromstring(found[RT_MANIFEST][0])
    check(root.tag == ASM_V1 + "assembly", "the manifest is no assembly: %s" % root.tag)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    check(levels == ["asInvoker"], "execution levels %s, not asInvoker" % levels)
    ids = {e.get("Id").lower() for e in root.iter(COMPAT + "supportedOS")}
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in ids]
    check(not missing, "the manifest leaves out %s" % ", ".join(missing))
    aware = [e.text.strip() for e in root.iter(DPI_2005 + "dpiAware")]
    awareness = [e.text.strip() for e in root.iter(DPI_2016 + "dpiAwareness")]
    check(aware == ["false"], "dpiAware %s, not false" % aware)
    check(awareness == ["unaware"], "dpiAwareness %s, not unaware" % awareness)


def main():
    with open(sys.argv[1], "rb") as f:
        image = f.read()
    try:
        found = resources(image)
        check_version(found)
        check_manifest(found)
        check(RT_ICON not in found and RT_GROUP_ICON not in found, "the program carries an icon")
    except (Failure, struct.error, ET.ParseError, UnicodeDecodeError) as failure:
        print("FAIL: %s: %s" % (sys.argv[1], failure), file=sys.stderr)
        return 1
    print("%s: %s %d.%d, asInvoker, Windows 7 to 11, DPI unaware" % ((sys.argv[1], NAME) + VERSION))
    return 0


if __name__ == "__main__":
    sys.exit(main())
