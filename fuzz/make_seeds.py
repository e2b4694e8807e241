#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/<target>/ in each target's input layout (see the
comment at the top of each *_fuzzer.cpp). Run it again when ORVIX.rgs or a layout changes."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- registrar: flags, [failing-name byte], map count, (len name, len value)*, script
def registrar_input(flags, script, entries=(("Module", "C:\\PROGRA~1\\OPOS\\ORVIX.DLL"),), failing=None):
    data = bytes([flags])
    if failing is not None:
        data += bytes([failing])
    data += bytes([len(entries)])
    for name, value in entries:
        data += bytes([len(name)]) + name.encode("latin-1") + bytes([len(value)]) + value.encode("latin-1")
    return data + script


def registrar_seeds():
    with open(os.path.join(ROOT, "src", "com", "ORVIX.rgs"), "rb") as f:
        rgs = f.read()
    write("registrar", "orvix_rgs_register", registrar_input(0x00, rgs))
    write("registrar", "orvix_rgs_unregister", registrar_input(0x05, rgs))
    write("registrar", "orvix_rgs_register_then_unregister", registrar_input(0x06, rgs))
    write("registrar", "orvix_rgs_create_fails", registrar_input(0x0A, rgs, failing=0))
    write("registrar", "orvix_rgs_quoted_path", registrar_input(0x02, rgs, (("Module", "C:\\It's here\\ORVIX.DLL"),)))
    every_entry = (b"HKLM\r\n{\r\n\tSOFTWARE\r\n\t{\r\n\t\tTest = s 'x y'\r\n\t\t{\r\n"
                   b"\t\t\tval Number = d '42'\r\n\t\t\tval Raw = b '0a1B'\r\n\t\t\tval 'Quoted ''name''' = s '%%'\r\n"
                   b"\t\t\tDelete Old\r\n\t\t\tForceRemove Fresh = s '%WHERE%' { }\r\n\t\t\tNoRemove Kept\r\n\t\t}\r\n"
                   b"\t}\r\n}\r\nHKEY_CURRENT_USER { Software { X } }\r\n")
    write("registrar", "every_entry", registrar_input(0x06, every_entry, (("Where", "C:\\A"), ("Module", "M"))))
    write("registrar", "unknown_name", registrar_input(0x00, b"HKCR { %NOWHERE% }\r\n"))
    write("registrar", "unclosed_percent", registrar_input(0x00, b"HKCR { A = s '%MODULE' }\r\n"))
    write("registrar", "bad_root", registrar_input(0x04, b"HKXX { A }\r\n"))
    write("registrar", "nested", registrar_input(0x02, b"HKCU { " + b"A { " * 40 + b"}" * 41 + b"\r\n"))


# --- profile_reader
SZ, EXPAND, BINARY, DWORD = 0, 1, 2, 3  # type choices of ReadValue


def value(kind, data):
    return bytes([kind]) + struct.pack("<H", len(data)) + data


def any_type(registry_type, data):
    return b"\xF0" + struct.pack("<IH", registry_type, len(data)) + data


def sz(text):
    return value(SZ, text.encode("latin-1") + b"\0")


def dword(number):
    return value(DWORD, struct.pack("<I", number))


def profile_input(flags=0x01, flags2=0x00, aliases=((b"PoleDisplay", sz("ORVIX")),), values=None, replies=None,
                  usb=b""):
    if values is None:
        values = [sz("COM"), dword(0), dword(0x10), sz("COM1"), sz("9600"), sz("0"), sz("8"), sz("0")]
    if replies is None:
        replies = [(b"\x07KVD5100", 0)]
    data = bytes([flags, flags2, len(aliases)])
    for name, data_value in aliases:
        data += struct.pack("<H", len(name)) + name + data_value
    for v in values:
        data += b"\0" if v is None else b"\1" + v
    data += bytes([len(replies)])
    for reply, timed_out in replies:
        data += bytes([len(reply)]) + reply + bytes([timed_out])
    return data + usb


def profile_seeds():
    t = "profile_reader"
    write(t, "serial_profile", profile_input())
    write(t, "serial_by_alias", profile_input(flags2=0x02))
    write(t, "all_options", profile_input(values=[sz("COM"), dword(0), dword(0x111), sz("COM7"), sz(" 9600 bps"),
                                                  sz("2"), sz("7"), sz("-1")]))
    write(t, "missing_values", profile_input(values=[sz("COM"), None, None, sz("COM1"), None, None, None, None]))
    write(t, "wrong_types", profile_input(values=[dword(10), sz("AB"), sz("16"), dword(1), dword(9600), value(BINARY, b"8"),
                                                  value(EXPAND, b"8"), any_type(11, b"1\0\0\0\0\0\0\0")]))
    write(t, "too_long", profile_input(values=[sz("COM"), dword(0), dword(0x10), value(SZ, b"C" * 256), sz("9" * 300),
                                               sz("0"), sz("8"), sz("0")],
                                       aliases=((b"N" * 260, sz("ORVIX")), (b"PoleDisplay", sz("ORVIX ")))))
    write(t, "silent_display", profile_input(replies=[]))
    write(t, "late_and_short_replies", profile_input(replies=[(b"\x07KVD", 1), (b"", 1), (b"\x07KVD5130", 0)]))
    usb_path = b"\\\\?\\usb#vid_03eb&pid_1102#5&1&0#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"
    usb = bytes([0, len(usb_path)]) + usb_path + bytes([1, 4]) + b"junk" + bytes([1, 8]) + b"\x07KVD5130"
    write(t, "usb_profile", profile_input(flags2=0x08, values=[sz("USB"), dword(0x1102), dword(0x10), sz(""), sz("0"),
                                                               sz("0"), sz("0"), sz("0")], replies=[], usb=usb))
    write(t, "other_profile", profile_input(values=[sz("Other"), dword(0), dword(0x1), sz("COM1"), sz("9600"), sz("0"),
                                                    sz("8"), sz("0")]))
    write(t, "no_keys", profile_input(flags=0x10, aliases=()))


# --- text_operations: options byte, then operations
def num(n):
    assert -4 <= n <= 43
    return bytes([n + 4])


def text(s):
    assert len(s) < 64
    return bytes([len(s)]) + s.encode("latin-1")


PROPERTIES = [1, 2, 3, 4, 6, 7, 8, 9, 11, 13, 14, 501, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008, 5009, 5010,
              5014, 5016, 5018, 5019, 5020, 5021, 5501, 5502, 5503, 5504, 5505, 5506, 5507, 5508, 5509, 5510, 5511,
              5512, 0, -1, 1000001, 1000002, 1000003, 1000004, 1005001, 1000005, 5]


def prop(index):
    return bytes([PROPERTIES.index(index)])


def display_text(s, attribute=0):
    return b"\x00" + text(s) + num(attribute)


def display_text_at(row, column, s, attribute=0):
    return b"\x01" + num(row) + num(column) + text(s) + num(attribute)


def scroll(direction, units):
    return b"\x03" + num(direction) + num(units)


def set_number(index, number):
    return b"\x04" + prop(index) + num(number)


def text_seeds():
    t = "text_operations"
    write(t, "display_text", b"\x02" + display_text("AB") + display_text("Hello, world", 1) + display_text("X", 7))
    write(t, "display_text_at", b"\x02" + display_text_at(2, 20, "AB") + display_text_at(3, 5, "A", 3) +
          display_text_at(1, 25, "Z"))
    write(t, "zero_based_strict", b"\x05" + display_text_at(0, 0, "A") + display_text_at(2, 0, "B") +
          display_text("") + scroll(1, 5))
    write(t, "scroll", b"\x02" + display_text_at(1, 1, "ABCDEFGHIJKLMNOPQRST") + display_text_at(2, 1, "DEF") +
          scroll(1, 1) + scroll(2, 1) + scroll(3, 3) + scroll(4, 3) + scroll(4, 20) + scroll(3, -1) + scroll(7, 0))
    write(t, "properties", b"\x02" + set_number(5007, 9) + set_number(5018, 43) + set_number(5019, 4) +
          set_number(5014, 2) + set_number(5004, 4) + set_number(5006, 0) + set_number(5004, 4) +
          b"\x05" + prop(5004) + b"\x06" + prop(1000001) + b"\x07" + prop(5) + text("x"))
    write(t, "cursor_pokes", b"\x00" + b"\x08\x80" + b"\x09\xF0" + display_text("ABC") + b"\x08\x7F\x09\x7F" +
          display_text("D") + set_number(5004, -4) + display_text("E") + b"\x02" + display_text("F"))
    write(t, "long_text", b"\x00" + b"\x0F" + b"\xC5" + b"\x01" + b"AB" + b"\x00")
    write(t, "wide_units", b"\x02" + b"\x00" + bytes([3]) + b"\xE0\xAC\x20" + b"\xE0\x3D\xD8" + b"\xE0\x00\x01" + num(0))
    write(t, "life_cycle", b"\x02" + b"\x0D\x00" + num(5) + b"\x0D\x01" + display_text("A") + b"\x0E\x01" +
          b"\x0D\x02" + b"\x0E\x00" + display_text("B") + b"\x0C" + num(3))


if __name__ == "__main__":
    registrar_seeds()
    profile_seeds()
    text_seeds()
    sys.exit(0)
