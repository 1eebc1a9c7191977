#!/usr/bin/env python3
"""Lists and checks the resources of a Windows PE file (DLL or EXE).

Prints the machine, every bitmap resource (id, width x height x bits, bytes)
and the version record (fixed file and product versions, string table,
translation). With expectations, checks them, reports every mismatch and
exits non-zero.

  check-pe-resources.py Brisko.dll                 # list only
  check-pe-resources.py --brisko Brisko.dll        # the plug-in's resources
  check-pe-resources.py --expect-bitmap 128=200x300x24 \\
      --expect-string "FileVersion=1.3" --expect-machine i386 Brisko.dll

Exit status: 0 all expectations met, 1 a mismatch, 2 unreadable file, not a
PE file, or bad arguments.
"""

import argparse
import struct
import sys

RT_BITMAP = 2
RT_VERSION = 16
FIXED_INFO_SIGNATURE = 0xFEEF04BD
MACHINES = {0x14C: "i386", 0x8664: "amd64", 0xAA64: "arm64"}

# What the plug-in DLL must carry.
BRISKO_BITMAPS = {128: (200, 300, 24), 129: (159, 19, 24), 130: (9, 19, 24)}
BRISKO_VERSION = "1.2.0.0"
BRISKO_STRINGS = {
    "FileVersion": "1.3",
    "ProductVersion": "1, 3, 0, 0",
    "FileDescription": "VST Plug-In",
    "Comments": "A vst for fft algorithms",
    "InternalName": "Brisko",
    "OriginalFilename": "Brisko.dll",
}


class PeError(Exception):
    pass


class PeFile:
    """The parts of a PE image needed to walk its resource tree."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.machine = MACHINES.get(machine, hex(machine))
        optional = pe + 24
        magic = self.u16(optional)
        if magic == 0x10B:
            directories = optional + 96
        elif magic == 0x20B:
            directories = optional + 112
        else:
            raise PeError("unknown optional header magic %#x" % magic)
        count = self.u32(directories - 4)
        self.resource_rva = self.u32(directories + 16) if count > 2 else 0
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, raw_size), raw_ptr, raw_size))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset_of(self, rva):
        for vaddr, size, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= raw_size:
                    raise PeError("RVA %#x has no file data" % rva)
                return raw_ptr + rva - vaddr
        raise PeError("RVA %#x lies in no section" % rva)

    def resources(self):
        """Yields (type, name, language, bytes) for every resource; names
        and types are ints for numeric ids, strings otherwise."""
        if not self.resource_rva:
            return
        base = self.offset_of(self.resource_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = self.u16(at)
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for rtype, types in entries(0):
            for name, names in entries(types & 0x7FFFFFFF):
                for language, leaf in entries(names & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise PeError("resource tree deeper than three levels")
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset_of(rva)
                    yield rtype, name, language, self.data[start:start + size]


def parse_bitmap(blob):
    """(width, height, bits per pixel) of a bitmap resource (a DIB)."""
    if len(blob) < 40:
        raise PeError("bitmap resource shorter than its header")
    size, width, height, _, bits = struct.unpack_from("<IiiHH", blob, 0)
    if size < 40:
        raise PeError("bitmap header of %d bytes" % size)
    return width, height, bits


def version_blocks(blob, offset, end):
    """Yields (key, value bytes, type, children offset, block end) of the
    VS_VERSIONINFO-style blocks between offset and end."""
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", blob, offset)
        if length == 0:
            break
        block_end = min(offset + length, end)
        key_end = offset + 6
        while key_end + 1 < block_end and blob[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = blob[offset + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if kind == 1 else value_length
        children = (value + value_bytes + 3) & ~3
        yield key, blob[value:min(value + value_bytes, block_end)], kind, children, block_end
        offset = (block_end + 3) & ~3


def utf16_text(raw):
    text = raw.decode("utf-16-le", errors="replace")
    return text.split("\0", 1)[0]


def parse_version(blob):
    """Fixed file and product versions, the strings and the translations."""
    info = {"file": None, "product": None, "strings": {}, "translations": []}
    for key, value, _, children, end in version_blocks(blob, 0, len(blob)):
        if key != "VS_VERSION_INFO":
            raise PeError("version resource key %r" % key)
        if len(value) >= 52:
            fields = struct.unpack_from("<13I", value, 0)
            if fields[0] != FIXED_INFO_SIGNATURE:
                raise PeError("fixed version info has a bad signature")
            info["file"] = version_text(fields[2], fields[3])
            info["product"] = version_text(fields[4], fields[5])
        for child, _, _, grandchildren, child_end in version_blocks(blob, children, end):
            if child == "StringFileInfo":
                for table, _, _, strings, table_end in version_blocks(blob, grandchildren, child_end):
                    for name, text, _, _, _ in version_blocks(blob, strings, table_end):
                        info["strings"][name] = utf16_text(text)
                    info["string_table"] = table
            elif child == "VarFileInfo":
                for name, words, _, _, _ in version_blocks(blob, grandchildren, child_end):
                    if name == "Translation":
                        pairs = struct.unpack_from("<%dH" % (len(words) // 2), words, 0)
                        info["translations"] += ["%04x %d" % pair for pair in zip(pairs[::2], pairs[1::2])]
    return info


def version_text(most, least):
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def read_pe(path):
    with open(path, "rb") as file:
        pe = PeFile(file.read())
    bitmaps, version = {}, None
    for rtype, name, _, blob in pe.resources():
        if rtype == RT_BITMAP:
            bitmaps[name] = parse_bitmap(blob)
        elif rtype == RT_VERSION:
            version = parse_version(blob)
    return pe.machine, bitmaps, version


def print_listing(path, machine, bitmaps, version):
    print("%s: %s" % (path, machine))
    for name in sorted(bitmaps, key=str):
        print("  bitmap %s: %d x %d x %d" % ((name,) + bitmaps[name]))
    if version is None:
        print("  no version record")
        return
    print("  fixed file version %s, product version %s" % (version["file"], version["product"]))
    if "string_table" in version:
        print("  string table %s:" % version["string_table"])
    for key, text in version["strings"].items():
        print("    %s = %r" % (key, text))
    for translation in version["translations"]:
        print("  translation %s" % translation)


def parse_bitmap_expectation(text):
    try:
        ident, size = text.split("=", 1)
        width, height, bits = (int(part) for part in size.lower().split("x"))
        return int(ident), (width, height, bits)
    except ValueError:
        raise argparse.ArgumentTypeError("expected ID=WIDTHxHEIGHTxBITS, got %r" % text)


def parse_string_expectation(text):
    if "=" not in text:
        raise argparse.ArgumentTypeError("expected KEY=VALUE, got %r" % text)
    return tuple(text.split("=", 1))


def mismatches(args, machine, bitmaps, version):
    """Yields one line for every expectation that the file does not meet."""
    if args.expect_machine and machine != args.expect_machine:
        yield "machine is %s, expected %s" % (machine, args.expect_machine)
    for ident, expected in args.expect_bitmap:
        if ident not in bitmaps:
            yield "bitmap %d is missing" % ident
        elif bitmaps[ident] != expected:
            yield "bitmap %d is %d x %d x %d, expected %d x %d x %d" % ((ident,) + bitmaps[ident] + expected)
    if args.no_other_bitmaps:
        expected_ids = {ident for ident, _ in args.expect_bitmap}
        for name in sorted(set(bitmaps) - expected_ids, key=str):
            yield "unexpected bitmap %s" % name
    wants_version = args.expect_file_version or args.expect_product_version or args.expect_string
    if wants_version and version is None:
        yield "no version record"
        return
    if args.expect_file_version and version["file"] != args.expect_file_version:
        yield "fixed file version is %s, expected %s" % (version["file"], args.expect_file_version)
    if args.expect_product_version and version["product"] != args.expect_product_version:
        yield "fixed product version is %s, expected %s" % (version["product"], args.expect_product_version)
    for key, expected in args.expect_string:
        actual = version["strings"].get(key)
        if actual != expected:
            yield "string %s is %r, expected %r" % (key, actual, expected)


def main():
    parser = argparse.ArgumentParser(description="List and check the resources of a PE file.")
    parser.add_argument("file", help="the DLL or EXE to read")
    parser.add_argument("--brisko", action="store_true",
                        help="expect the plug-in's bitmaps (and no others) and version record")
    parser.add_argument("--expect-machine", choices=sorted(MACHINES.values()))
    parser.add_argument("--expect-bitmap", action="append", default=[], type=parse_bitmap_expectation,
                        metavar="ID=WxHxBITS")
    parser.add_argument("--no-other-bitmaps", action="store_true", help="fail on bitmaps not expected")
    parser.add_argument("--expect-file-version", metavar="A.B.C.D")
    parser.add_argument("--expect-product-version", metavar="A.B.C.D")
    parser.add_argument("--expect-string", action="append", default=[], type=parse_string_expectation,
                        metavar="KEY=VALUE")
    parser.add_argument("-q", "--quiet", action="store_true", help="print mismatches only")
    args = parser.parse_args()

    if args.brisko:
        args.expect_bitmap += sorted(BRISKO_BITMAPS.items())
        args.no_other_bitmaps = True
        args.expect_file_version = args.expect_file_version or BRISKO_VERSION
        args.expect_product_version = args.expect_product_version or BRISKO_VERSION
        args.expect_string += sorted(BRISKO_STRINGS.items())

    try:
        machine, bitmaps, version = read_pe(args.file)
    except (OSError, PeError, struct.error) as error:
        print("%s: %s" % (args.file, error), file=sys.stderr)
        return 2

    if not args.quiet:
        print_listing(args.file, machine, bitmaps, version)
    failures = list(mismatches(args, machine, bitmaps, version))
    for failure in failures:
        print("MISMATCH: %s" % failure, file=sys.stderr)
    if failures:
        return 1
    if not args.quiet and (args.expect_machine or args.expect_bitmap or args.expect_file_version
                           or args.expect_product_version or args.expect_string):
        print("all expectations met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
