#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the text fuzz targets into fuzz/corpus/ (run from anywhere; files that
exist are overwritten). The raster and snow-frame seeds are inputs the fuzzers found themselves, minimised with
libFuzzer's -merge=1."""
import os
import re
import struct

here = os.path.dirname(os.path.abspath(__file__))


def units(text):
    """UTF-16LE of a str whose characters may be lone surrogates."""
    return b"".join(struct.pack("<H", ord(c)) for c in text)


def write(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


SEPARATORS = {".": 0, ",": 1}
# The stored names of the settings table, so a seed cannot name a setting that is not there by a slip.
with open(os.path.join(here, "..", "src", "core", "settings", "settings.h"), encoding="utf-8") as header:
    STORED_NAMES = set(re.findall(r'Setting<[^>]*> k\w+Setting\{\s*u"(\w+)"', header.read()))
assert "messageText" in STORED_NAMES, "no settings found in settings.h"


def record(name, text, power=0):
    """One stored value, named by the setting's stored name as the store names it (never by its place in the
    table, which a new setting may change); power 28..31 repeats the text 16, 256, 4096 or 65536 times."""
    key = name.encode("ascii")
    body = units(text)
    assert len(key) < 256 and len(body) // 2 < 256
    return bytes([power << 3, len(key)]) + key + bytes([len(body) // 2]) + body


def store(name, separator=".", known=True, **values):
    """known=False for a seed that names settings the table does not hold on purpose."""
    data = bytes([SEPARATORS[separator]])
    for field, value in values.items():
        assert (field in STORED_NAMES) == known, f"{name}: {field} is {'not ' if known else ''}a stored name"
        text, power = value if isinstance(value, tuple) else (value, 0)
        data += record(field, text, power)
    write("settings", name, data)


store("defaults", reg_precipitation="1", velocity="6", direction="True", blightness="2",
      messageText="TOVEK Super Quorlane 2004")
store("dialog_extremes", reg_precipitation="0", velocity="12", direction="False", blightness="4", messageText="abc")
store("halves_to_even", reg_precipitation="2.5", blightness="3.5", velocity="0.5")
store("blanks_and_signs", reg_precipitation=" 7 ", velocity="-0", blightness="+4", direction=" -1 ")
store("not_numbers", reg_precipitation="&H10", velocity="0x10", direction="yes", blightness="")
store("beyond_the_range", reg_precipitation="32768", velocity="1e30", blightness="-32768.6", direction="1e-999")
store("single_edges", velocity="3.402823E+38", reg_precipitation="1E+39", direction="1.401298E-45")
store("single_tiny", velocity="1e-46", blightness="0.5000000000000000000001")
store("comma_separator", ",", velocity="1,5", reg_precipitation="2,5", direction="0,0", blightness="1.5")
store("letter_case", direction="tRUE", messageText="tovek super quorlane 2004")
store("long_digits", velocity="2." + "5" * 200, reg_precipitation="0." + "0" * 200 + "1",
      blightness="9" * 100 + "e-99")
store("huge_exponents", velocity="1e999999999999999999", reg_precipitation="1e-999999999999999999",
      blightness="0e99999999999999")
store("message_with_nuls", messageText="snow\0on\0the\0desk")
store("message_lone_surrogates", messageText="\ud800x\udc00y\udbff\ud83d\ude00")
store("message_one_megabyte", messageText=("abcdefgh", 31))
store("velocity_of_65536_digits", velocity=("9", 31), reg_precipitation=("0", 30))
store("repeated_digits", velocity=("5", 28), blightness=("-", 29))
store("empty_velocity", velocity="")
# Names the table does not hold (the options' names, a stored name in other letters): loading passes them by.
store("names_not_stored", known=False, precipitation="3", brightness="4", message="x", Velocity="1")

COMMAND_LINES = {
    "full_screen": "/s",
    "full_screen_upper": "/S",
    "empty": "",
    "preview": "/p 1234",
    "preview_glued": "-P1234",
    "preview_colon": "/p:1234",
    "preview_negative": "/p -5",
    "preview_exponent": "/p 1e30",
    "preview_hex": "/p 0x10",
    "preview_tie": "/p 2147483646.5",
    "preview_beyond": "/p 2147483648",
    "preview_long_fraction": "/p 2.5" + "0" * 40 + "1",
    "preview_blanks": "/p \t 77 \r\n",
    "preview_full_width_digits": "/p \uff11\uff12",
    "settings": "/c:1234",
    "full_width_letter": "-\uff50 12",
    "latin1_letter": "/\u00ff",
    "surrogate_pair": "/\ud83c\udf28 1",
    "lone_surrogate": "/\ud83d",
    "long_digits": "/p " + "9" * 2000,
    # Whole command lines, as the system writes them: the program's path quoted or not, blanks and tabs after it.
    "unquoted_own_path": "C:\\Program Files\\Nivora\\nivora.scr /p 12",
    "unquoted_short_path": "c:/progra~1/nivora/NIVORA.SCR\t/c",
    "quoted_path_tabs": "\"C:\\Program Files\\Nivora\\nivora.scr\"\t \t/s",
    "unquoted_other_path": "D:\\Savers x\\nivora.scr /s",
}
for name, text in COMMAND_LINES.items():
    write("command_line", name, units(text))
