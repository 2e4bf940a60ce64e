#!/usr/bin/env python3
"""Reads a Windows program's resources as Windows finds them and checks that those of
platform/win32/vask.rc are linked in and readable: one manifest, the repository's file
byte for byte and well-formed, declaring per-monitor DPI awareness, a version block whose fixed and text versions are the
CMake project's version, and (from vask_icon.rc) one icon group of 16, 24, 32, 48 and 256
pixel images, each a PNG of its size.

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
    # Each string is its UTF-16 key, padding and its value, each ending in a zero.
    text = block.decode("utf-16-le", "replace")
    for key in ("FileVersion", "ProductVersion"):
        m = re.search(key + "\0+([^\0]*)\0", text)
        have = m.group(1) if m else None
        check(have == "%d.%d" % version, "%s is %r, not %d.%d" % ((key, have) + version))


def check_manifest(found, source):
    check(RT_MANIFEST in found, "no manifest")
    check(len(found[RT_MANIFEST]) == 1, "%d manifests" % len(found[RT_MANIFEST]))
    with open(os.path.join(source, "platform", "win32", "vask.exe.manifest"), "rb") as f:
        check(found[RT_MANIFEST][0] == f.read(), "the manifest is not vask.exe.manifest")
    manifest = ET.fromstring(found[RT_MANIFEST][0])
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
    except (Failure, struct.error, ET.ParseError, UnicodeDecodeError) as failure:
        print("FAIL: %s: %s" % (exe, failure), file=sys.stderr)
        return 1
    print("%s: version %d.%d, its manifest and its icon, linked in and readable" % ((exe,) + version))
    return 0


if __name__ == "__main__":
    sys.exit(main())
