#!/usr/bin/env python3
"""Reads a Windows program as Windows loads it and checks what platform/win32/vask.rc and the
build put in it: one manifest, the repository's file, well-formed and declaring that the
program runs as whoever starts it (asInvoker, no UI access), Windows 7, 8, 8.1 and 10/11
as supported systems, and per-monitor DPI awareness; a version block whose fixed versions
and version strings are the CMake project's version and whose strings name the game and its
file; one icon group (from vask_icon.rc) of 16, 24, 32, 48 and 256 pixel images, each a PNG
of its size; and the hardening Windows honours: a relocatable image loaded anywhere
(ASLR, with high entropy), data never run as code (DEP), and the stack protector linked in.

Usage: exe_resources.py EXE SOURCE_DIR   (exit status 0 when all of it holds)
"""
import os
import re
import struct
import sys
import xml.etree.ElementTree as ET

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ICON_SIZES = [16, 24, 32, 48, 256]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# DllCharacteristics bits of the optional header.
HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x0020, 0x0040, 0x0100
RESOURCE_DIRECTORY, RELOCATION_DIRECTORY = 2, 5
# Windows' own identifiers of its versions in a manifest's compatibility section.
SUPPORTED_OS = {
    "Windows 7": "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "Windows 8": "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "Windows 8.1": "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "Windows 10 and 11": "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}


def headers(image):
    """(offset of the PE signature, of the optional header, of its data directories)."""
    check(image[:2] == b"MZ", "not a Windows program")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    check(image[pe:pe + 4] == b"PE\0\0", "no PE header")
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    return pe, optional, optional + (112 if magic == 0x20B else 96)


def resources(image):
    """{type id: [data bytes, ...]} from the PE image's resource directory."""
    pe, optional, directories = headers(image)
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    root_rva, root_size = struct.unpack_from("<II", image, directories + 8 * RESOURCE_DIRECTORY)
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


def project_version(source):
    """(major, minor) of the project(... VERSION x.y) line of the top CMakeLists.txt."""
    with open(os.path.join(source, "CMakeLists.txt")) as f:
        m = re.search(r"^project\([^)]*VERSION\s+(\d+)\.(\d+)", f.read(), re.M)
    check(m, "CMakeLists.txt names no project version")
    return int(m.group(1)), int(m.group(2))


def check_version(found, version):
    check(RT_VERSION in found, "no version information")
    block = found[RT_VERSION][0]
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    check(fixed >= 0, "no fixed file information")
    words = struct.unpack_from("<4I", block, fixed + 8)
    file_version = (words[0] >> 16, words[0] & 0xFFFF, words[1] >> 16, words[1] & 0xFFFF)
    product_version = (words[2] >> 16, words[2] & 0xFFFF, words[3] >> 16, words[3] & 0xFFFF)
    want = version + (0, 0)
    check(file_version == want, "file version %s, not %s" % (file_version, want))
    check(product_version == want, "product version %s, not %s" % (product_version, want))
    # Each string is its UTF-16 key, padding and its value, each ending in a zero; Explorer
    # shows them in the program's properties.
    text = block.decode("utf-16-le", "replace")
    # Windows looks the strings up by the language and code page Translation names.
    key = "Translation\0".encode("utf-16-le")
    at = block.find(key)
    check(at >= 0, "no Translation in the version block")
    at = (at + len(key) + 3) & ~3  # the value starts on a 32-bit boundary
    language, codepage = struct.unpack_from("<HH", block, at)
    check("%04X%04X\0" % (language, codepage) in text,
          "no string table for the Translation %04X %04X" % (language, codepage))
    wanted = {"FileVersion": "%d.%d" % version, "ProductVersion": "%d.%d" % version,
              "FileDescription": "Vask Light Cycles", "ProductName": "Vask Light Cycles",
              "InternalName": "vask", "OriginalFilename": "vask.exe"}
    for key, value in wanted.items():
        m = re.search(key + "\0+([^\0]*)\0", text)
        have = m.group(1) if m else None
        check(have == value, "%s is %r, not %r" % (key, have, value))


def check_manifest(found, source):
    check(RT_MANIFEST in found, "no manifest")
    check(len(found[RT_MANIFEST]) == 1, "%d manifests" % len(found[RT_MANIFEST]))
    with open(os.path.join(source, "platform", "win32", "vask.exe.manifest"), "rb") as f:
        check(found[RT_MANIFEST][0] == f.read(), "the manifest is not vask.exe.manifest")
    manifest = ET.fromstring(found[RT_MANIFEST][0])
    # Run as whoever starts it: no elevation prompt, no UI access to other programs.
    levels = [(e.get("level"), e.get("uiAccess")) for e in manifest.iter(
        "{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
    check(levels == [("asInvoker", "false")], "the requested execution level is %s" % levels)
    # The systems it was made for, so none of them runs it under compatibility shims.
    supported = sorted(e.get("Id") for e in manifest.iter(
        "{urn:schemas-microsoft-com:compatibility.v1}supportedOS"))
    names = {guid: name for name, guid in SUPPORTED_OS.items()}
    check(supported == sorted(names), "the supported systems are %s, not %s" % (
        sorted(names.get(i, i) for i in supported), sorted(SUPPORTED_OS)))
    # Per-monitor aware: Windows 10's own declaration (version 2 first), and Windows 8.1's.
    settings = "{http://schemas.microsoft.com/SMI/%s/WindowsSettings}"
    awareness = [e.text.replace(" ", "").split(",") for e in manifest.iter(settings % "2016" + "dpiAwareness")]
    aware = [e.text.strip().lower() for e in manifest.iter(settings % "2005" + "dpiAware")]
    check(awareness and awareness[0][0] == "PerMonitorV2",
          "the manifest declares no per-monitor (v2) DPI awareness: %s" % awareness)
    check(aware == ["true/pm"], "the manifest's dpiAware is %s, not true/pm" % aware)


def check_icon(found):
    check(len(found.get(RT_GROUP_ICON, [])) == 1, "not one icon group")
    group = found[RT_GROUP_ICON][0]
    reserved, kind, count = struct.unpack_from("<HHH", group)
    check((reserved, kind) == (0, 1), "the icon group is not one of icons")
    listed = sorted(struct.unpack_from("<B", group, 6 + 14 * i)[0] or 256 for i in range(count))
    check(listed == ICON_SIZES, "the icon group lists sizes %s" % listed)
    images = found.get(RT_ICON, [])
    check(all(i[:8] == b"\x89PNG\r\n\x1a\n" and i[12:16] == b"IHDR" for i in images),
          "an icon image is no PNG")
    sizes = sorted(struct.unpack_from(">II", i, 16) for i in images)
    check(sizes == [(n, n) for n in ICON_SIZES], "the icon images are %s" % sizes)


def symbol_names(image):
    """The names in the program's COFF symbol table (mingw-w64 keeps it unless stripped)."""
    pe = headers(image)[0]
    table, count = struct.unpack_from("<II", image, pe + 12)
    check(table and count, "the program has no symbol table")
    strings = table + 18 * count
    names = set()
    at = 0
    while at < count:
        short = image[table + 18 * at:table + 18 * at + 8]
        if short[:4] == b"\0\0\0\0":
            start = strings + struct.unpack_from("<I", short, 4)[0]
            name = image[start:image.index(b"\0", start)]
        else:
            name = short.rstrip(b"\0")
        names.add(name.decode("ascii", "replace"))
        at += 1 + image[table + 18 * at + 17]  # and its auxiliary records
    return names


def check_hardening(image):
    _, optional, directories = headers(image)
    flags = struct.unpack_from("<H", image, optional + 70)[0]
    for bit, what in ((DYNAMIC_BASE, "DYNAMIC_BASE (ASLR)"), (HIGH_ENTROPY_VA, "HIGH_ENTROPY_VA"),
                      (NX_COMPAT, "NX_COMPAT (DEP)")):
        check(flags & bit, "DllCharacteristics 0x%04x lacks %s" % (flags, what))
    # Without its relocations the loader cannot move the image, whatever the flag says.
    check(struct.unpack_from("<II", image, directories + 8 * RELOCATION_DIRECTORY)[1] > 0,
          "the program keeps no base relocations, so it cannot be loaded anywhere")
    check("__stack_chk_fail" in symbol_names(image), "the stack protector is not linked in")


def main():
    exe, source = sys.argv[1], sys.argv[2]
    with open(exe, "rb") as f:
        image = f.read()
    try:
        version = project_version(source)
        found = resources(image)
        check_version(found, version)
        check_manifest(found, source)
        check_icon(found)
        check_hardening(image)
    except (Failure, struct.error, ET.ParseError, UnicodeDecodeError, ValueError) as failure:
        print("FAIL: %s: %s" % (exe, failure), file=sys.stderr)
        return 1
    print("%s: version %d.%d, its manifest and its icon, linked in and readable; ASLR, DEP "
          "and the stack protector" % ((exe,) + version))
    return 0


if __name__ == "__main__":
    sys.exit(main())
