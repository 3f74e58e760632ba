#!/usr/bin/env python3
"""Checks the resources and imports of the built agent, read from the
executable itself with a small reader of the PE format of our own.

usage: check-resources.py Sorvenna.exe

Prints one line per check and closes with "N passed, N failed"; the exit
status is 1 when a check failed.
"""

import struct
import sys

from checks import Checks

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24

# DLLs that every Windows installation has.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "winspool.drv", "msvcrt.dll",
               "advapi32.dll", "shell32.dll", "ole32.dll"}


class PeImage:
    """The sections and data directories of a PE image, read by virtual address."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic != 0x20B:
            raise ValueError("not a 64-bit image")
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i) for i in range(directories)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, virtual_size, address, raw_size, raw_pointer = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((address, max(virtual_size, raw_size), raw_pointer))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("address %#x lies in no section" % rva)

    def read(self, rva, size):
        start = self.offset(rva)
        return self.data[start:start + size]

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        rva, size = self.directories[1]
        names = []
        entry = rva
        while size:
            fields = struct.unpack("<IIIII", self.read(entry, 20))
            if fields == (0, 0, 0, 0, 0):
                break
            names.append(self.c_string(fields[3]))
            entry += 20
        return names

    def resources(self):
        """{(type, id): bytes} for every resource, first language only."""
        base, _ = self.directories[2]
        found = {}

        def directory(rva):
            _, _, _, _, named, numbered = struct.unpack("<IIHHHH", self.read(rva, 16))
            for i in range(named + numbered):
                name, target = struct.unpack("<II", self.read(rva + 16 + 8 * i, 8))
                key = name if not name & 0x80000000 else self.resource_name(base + (name & 0x7FFFFFFF))
                yield key, target

        for type_key, type_target in directory(base):
            for name_key, name_target in directory(base + (type_target & 0x7FFFFFFF)):
                languages = list(directory(base + (name_target & 0x7FFFFFFF)))
                data_rva, data_size, _, _ = struct.unpack("<IIII", self.read(base + languages[0][1], 16))
                found[(type_key, name_key)] = self.read(data_rva, data_size)
        return found

    def resource_name(self, rva):
        length = struct.unpack("<H", self.read(rva, 2))[0]
        return self.read(rva + 2, 2 * length).decode("utf-16-le")


class Reader:
    """Reads little-endian fields one after the other."""

    def __init__(self, data, position=0):
        self.data = data
        self.position = position

    def take(self, layout):
        values = struct.unpack_from("<" + layout, self.data, self.position)
        self.position += struct.calcsize("<" + layout)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.position
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.position:end].decode("utf-16-le")
        self.position = end + 2
        return value

    def name_or_ordinal(self):
        first = struct.unpack_from("<H", self.data, self.position)[0]
        if first == 0xFFFF:
            self.position += 4
            return struct.unpack_from("<H", self.data, self.position - 2)[0]
        return self.text()

    def align(self, boundary):
        self.position = (self.position + boundary - 1) // boundary * boundary


def dialog_template(data):
    """An extended dialog template as a dict, its controls as a list of dicts."""
    reader = Reader(data)
    version, signature, _, ex_style, style, count, x, y, cx, cy = reader.take("HHIIIHhhhh")
    dialog = {"version": version, "signature": signature, "exStyle": ex_style, "style": style,
              "rect": (x, y, cx, cy), "menu": reader.name_or_ordinal(), "class": reader.name_or_ordinal(),
              "caption": reader.text(), "controls": []}
    if style & 0x48:  # DS_SETFONT or DS_FIXEDSYS
        dialog["pointSize"], dialog["weight"], dialog["italic"], dialog["charset"] = reader.take("HHBB")
        dialog["font"] = reader.text()
    for _ in range(count):
        reader.align(4)
        _, item_ex_style, item_style, ix, iy, icx, icy, item_id = reader.take("IIIhhhhi")
        item_class = reader.name_or_ordinal()
        title = reader.name_or_ordinal()
        extra = reader.take("H")
        reader.position += extra
        dialog["controls"].append({"id": item_id, "class": item_class, "text": title, "rect": (ix, iy, icx, icy),
                                   "style": item_style, "exStyle": item_ex_style})
    return dialog


def version_block(data):
    """(fixed file info fields, {string name: value}, translations)."""

    def node(position):
        reader = Reader(data, position)
        length, value_length, kind = reader.take("HHH")
        key = reader.text()
        reader.align(4)
        return position + length, key, value_length, kind, reader.position

    end, key, value_length, _, value = node(0)
    if key != "VS_VERSION_INFO":
        raise ValueError("version block key %r" % key)
    fixed = struct.unpack_from("<13I", data, value)
    strings, translations = {}, []
    child = (value + value_length + 3) // 4 * 4
    while child < end:
        child_end, child_key, _, _, inner = node(child)
        inner = (inner + 3) // 4 * 4
        while inner < child_end:
            table_end, table_key, table_value_length, _, table_value = node(inner)
            if child_key == "StringFileInfo":
                strings["#table"] = table_key
                entry = (table_value + 3) // 4 * 4
                while entry < table_end:
                    entry_end, name, _, _, text_at = node(entry)
                    strings[name] = Reader(data, text_at).text()
                    entry = (entry_end + 3) // 4 * 4
            elif child_key == "VarFileInfo" and table_key == "Translation":
                translations = list(struct.unpack_from("<%dH" % (table_value_length // 2), data, table_value))
            inner = (table_end + 3) // 4 * 4
        child = (child_end + 3) // 4 * 4
    return fixed, strings, translations


def string_resource(resources, string_id):
    block = resources.get((RT_STRING, string_id // 16 + 1))
    if block is None:
        return None
    reader = Reader(block)
    for index in range(16):
        length = reader.take("H")
        text = block[reader.position:reader.position + 2 * length].decode("utf-16-le")
        reader.position += 2 * length
        if index == string_id % 16:
            return text
    return None



def check(path):
    with open(path, "rb") as image_file:
        image = PeImage(image_file.read())
    checks = Checks()
    checks.expect("64-bit image", image.machine, 0x8664)
    checks.expect("GUI subsystem", image.subsystem, 2)

    imports = [name.lower() for name in image.imports()]
    checks.expect("imports only DLLs that come with Windows", sorted(set(imports) - SYSTEM_DLLS), [])
    for library in ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
        checks.expect("%s linked in, not imported" % library, library in imports, False)

    resources = image.resources()

    def main_dialog():
        dialog = dialog_template(resources[(RT_DIALOG, 102)])
        checks.expect("dialog 102 is an extended template", (dialog["version"], dialog["signature"]), (1, 0xFFFF))
        checks.expect("dialog 102 style", hex(dialog["style"]), hex(0x90CC0048))
        checks.expect("dialog 102 extended style", hex(dialog["exStyle"]), hex(0x00040000))
        checks.expect("dialog 102 place and size", dialog["rect"], (0, 0, 320, 200))
        checks.expect("dialog 102 menu and class", (dialog["menu"], dialog["class"]), ("", ""))
        checks.expect("dialog 102 font", (dialog.get("font"), dialog.get("pointSize")), ("MS Shell Dlg", 8))
        checks.expect("dialog 102 caption", dialog["caption"], "Sorvenna")
        controls = [(c["id"] if c["id"] < 0x80000000 else c["id"] - 0x100000000, c["class"], c["text"], c["rect"],
                     hex(c["style"]), c["exStyle"]) for c in dialog["controls"]]
        checks.expect("dialog 102 controls in tab order", controls, [
            (1, 0x80, "OK", (209, 179, 50, 14), hex(0x50010001), 0),
            (2, 0x80, "Cancel", (263, 179, 50, 14), hex(0x50010000), 0),
            (-1, 0x82, "TODO: Place dialog controls here.", (10, 96, 300, 8), hex(0x50020001), 0),
        ])

    def about_box():
        dialog = dialog_template(resources[(RT_DIALOG, 100)])
        checks.expect("dialog 100 is an extended template", (dialog["version"], dialog["signature"]), (1, 0xFFFF))
        checks.expect("dialog 100 font", (dialog.get("font"), dialog.get("pointSize")), ("MS Shell Dlg", 8))
        checks.expect("dialog 100 has an OK button", [c["id"] for c in dialog["controls"] if c["id"] == 1], [1])

    def icon_group():
        group = resources[(RT_GROUP_ICON, 128)]
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        checks.expect("icon group 128 header", (reserved, kind, count), (0, 1, 6))
        entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
        sizes = [(e[0] or 256, e[1] or 256, e[5]) for e in entries]
        checks.expect("icon group 128 sizes and bits", sizes, [(s, s, 32) for s in (256, 128, 64, 48, 32, 16)])
        for width, _, _, _, _, bits, size, icon_id in entries:
            image_bytes = resources.get((RT_ICON, icon_id), b"")
            side = width or 256
            if image_bytes[:8] == b"\x89PNG\r\n\x1a\n":
                actual = struct.unpack(">II", image_bytes[16:24]) + (32,)
            else:
                header = struct.unpack_from("<IiiHH", image_bytes, 0)
                actual = (header[1], header[2] // 2, header[4])
            checks.expect("icon %d pixels: image of %d bytes" % (side, size), (actual, len(image_bytes)),
                          ((side, side, bits), size))

    def strings():
        checks.expect("string 101", string_resource(resources, 101), "&About Sorvenna...")

    def version():
        fixed, texts, translations = version_block(resources[(RT_VERSION, 1)])
        checks.expect("version signature", hex(fixed[0]), hex(0xFEEF04BD))
        checks.expect("file and product version 1.0.0.1", fixed[2:6], (0x10000, 0x1, 0x10000, 0x1))
        checks.expect("file OS, type and subtype", (hex(fixed[8]), fixed[9], fixed[10]), (hex(0x40004), 1, 0))
        checks.expect("string table language and code page", texts.get("#table"), "040904B0")
        checks.expect("translation", translations, [0x0409, 0x04B0])
        for name, value in (("FileDescription", "Sorvenna"), ("InternalName", "Sorvenna"),
                            ("OriginalFilename", "Sorvenna"), ("ProductName", "Print to Sorvenna"),
                            ("FileVersion", "1.0.0.1"), ("ProductVersion", "1.0.0.1")):
            checks.expect("version string %s" % name, texts.get(name), value)
        for name in ("CompanyName", "LegalCopyright"):
            checks.expect("version string %s is present" % name, bool(texts.get(name)), True)

    def manifest():
        text = resources[(RT_MANIFEST, 1)].decode("utf-8")
        checks.expect("manifest: asInvoker without uiAccess",
                      'level="asInvoker"' in text and 'uiAccess="false"' in text, True)
        checks.expect("manifest: dpiAware true", ">true</dpiAware>" in text, True)
        checks.expect("manifest: no dependency on a common-controls version",
                      "dependency" in text or "Common-Controls" in text, False)

    for what, run in (("dialog 102", main_dialog), ("dialog 100", about_box), ("icon group 128", icon_group),
                      ("string 101", strings), ("version block", version), ("manifest", manifest)):
        checks.guard(what, run)
    print("%d passed, %d failed" % (checks.passed, checks.failed))
    return 0 if checks.failed == 0 else 1


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        sys.exit(2)
    sys.exit(check(sys.argv[1]))
