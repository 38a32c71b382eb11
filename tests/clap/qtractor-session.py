#!/usr/bin/python3
"""Writes and reads the Qtractor sessions of check-qtractor-session.sh.

Qtractor keeps a CLAP plug-in in its session as <plugin type="CLAP"> inside the track's
<plugins>: <filename> (the plug-in file, which Qtractor looks for by name in its CLAP folders when
the recorded path does not exist), <configs><config key="state"> (what the plug-in's state
extension saved, compressed the way Qt's qCompress does it, a 4-byte big-endian length and a zlib
stream, then base64) and <params> (each parameter's value as Qtractor last read it from the
plug-in). Our state is the bank document: one XML element whose attributes hold every program's
values, the current program and the working name, wrapped by the framework as "VC2!", a 32-bit
little-endian length and the XML text.

  qtractor-session.py write SESSION.qtr          the session Qtractor is first given
  qtractor-session.py check-saved SESSION.qtr SAVED.qtr CLAP_FOLDER
                                                 Qtractor's save keeps what it was given
  qtractor-session.py check-same FIRST.qtr SECOND.qtr
                                                 a second load and save changes nothing
"""

import base64
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
import zlib

PLUGIN_FILE = "ZV-Reverb LX.clap"
PROGRAMS = 127  # the bank's programs (numPrograms in the processor)


def parameter_records():
    """The eleven parameters' state keys and CLAP names in id order, and their defaults as the
    documents write them, from the parameter records (the program ZV_PRINT_PARAMETERS names)."""
    printed = subprocess.run([os.environ["ZV_PRINT_PARAMETERS"]], check=True, capture_output=True, text=True)
    rows = [line.split("\t") for line in printed.stdout.splitlines()]
    return [(key, name) for name, key, _ in rows], [default for _, _, default in rows]


PARAMETERS, DEFAULTS = parameter_records()
# The settings the session holds: program 3 is current and every value differs from its default
# (numbers short in both decimal and binary, so that every text form of them is exact); the first
# and last programs are changed too, to show that the whole bank comes back, not only the live values.
CURRENT = 3
SETTINGS = {
    CURRENT: (["0.25", "0.875", "0.75", "0.125", "0.625", "0.375", "0.6875", "0", "1", "1", "0"], "Qtractor Hall"),
    0: (["0.125", "0.25", "0.375", "0.5", "0.625", "0.75", "0.875", "1", "0", "1", "0"], "First Room"),
    126: (["1", "0", "1", "0", "1", "0", "1", "0", "1", "0", "1"], "Last Plate"),
}
WORKING_NAME = "Qtractor Hall (edited)"


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def bank_attributes():
    attributes = {"Version": "1.1.0"}
    for program in range(PROGRAMS):
        values, name = SETTINGS.get(program, (DEFAULTS, "Default"))
        for (key, _), value in zip(PARAMETERS, values):
            attributes[key + str(program)] = value
        attributes["ProgramName" + str(program)] = name
    attributes["CurrentProgram"] = str(CURRENT)
    attributes["WorkingName"] = WORKING_NAME
    return attributes


def encode_state(attributes):
    element = ElementTree.Element("ZV-REVERB_LX_BANK", attributes)
    text = b'<?xml version="1.0" encoding="UTF-8"?>\n' + ElementTree.tostring(element) + b"\0"
    document = b"VC2!" + struct.pack("<I", len(text)) + text
    packed = struct.pack(">I", len(document)) + zlib.compress(document)
    return base64.b64encode(packed).decode("ascii")


def decode_state(text):
    packed = base64.b64decode("".join(text.split()))
    (length,) = struct.unpack(">I", packed[:4])
    document = zlib.decompress(packed[4:])
    if len(document) != length or document[:4] != b"VC2!":
        fail("the saved state is not one of our documents")
    (size,) = struct.unpack("<I", document[4:8])
    return ElementTree.fromstring(document[8 : 8 + size].rstrip(b"\0")).attrib


def write(path):
    """A session as a user's would be after setting up the reverb on an audio track and closing
    Qtractor, except that the plug-in file is recorded in a folder that does not exist, so that
    Qtractor has to find it in its default CLAP folders."""
    session = f"""<!DOCTYPE qtractorSession>
<session version="Qtractor 0.9.31" name="zv-roundtrip">
 <properties>
  <sample-rate>48000</sample-rate>
 </properties>
 <tracks>
  <track name="Reverb" type="audio">
   <properties>
    <input-bus>Master</input-bus>
    <output-bus>Master</output-bus>
   </properties>
   <state>
    <monitor>1</monitor>
   </state>
   <plugins>
    <plugin type="CLAP">
     <filename>/nonexistent/{PLUGIN_FILE}</filename>
     <index>0</index>
     <activated>1</activated>
     <configs>
      <config key="state">{encode_state(bank_attributes())}</config>
     </configs>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>
"""
    with open(path, "w", encoding="utf-8") as file:
        file.write(session)


def plugin_of(path):
    """The session's one plug-in: its file, its decoded state and its parameter values."""
    text = open(path, encoding="utf-8").read()
    plugins = ElementTree.fromstring(re.sub(r"<!DOCTYPE[^>]*>", "", text)).findall(".//plugin")
    if len(plugins) != 1 or plugins[0].get("type") != "CLAP":
        fail(f"{path} does not hold exactly one CLAP plug-in")
    plugin = plugins[0]
    state = plugin.find("configs/config[@key='state']")
    if state is None:
        fail(f"{path} holds no state for the plug-in")
    params = {p.get("name"): p.text for p in plugin.findall("params/param")}
    return plugin.findtext("filename"), decode_state(state.text), params


def check_saved(given, saved, folder):
    filename, bank, params = plugin_of(saved)
    expected_file = folder.rstrip("/") + "/" + PLUGIN_FILE
    if filename != expected_file:
        fail(f"Qtractor recorded the plug-in as {filename!r}, not {expected_file!r}")
    print(f"Qtractor found the plug-in in its default CLAP folder: {filename}")
    _, given_bank, _ = plugin_of(given)
    if bank != given_bank:
        changed = sorted(k for k in set(bank) | set(given_bank) if bank.get(k) != given_bank.get(k))
        fail(f"the saved bank differs from the one given in {len(changed)} attributes: {changed[:8]}")
    print(f"the saved bank equals the given one: {len(bank)} attributes, {PROGRAMS} programs, "
          f"CurrentProgram={bank['CurrentProgram']}, WorkingName={bank['WorkingName']!r}")
    # The values Qtractor read back from the plug-in are program 3's: the plug-in applied the
    # bank and selected the program that was current, it did not merely hand the bytes back.
    live = dict(zip((name for _, name in PARAMETERS), SETTINGS[CURRENT][0]))
    if len(params) != len(live) or any(float(params.get(n, "nan")) != float(v) for n, v in live.items()):
        fail(f"Qtractor's parameter values {params} are not program {CURRENT}'s {live}")
    print("Qtractor's parameter values are the current program's: "
          + ", ".join(f"{n}={params[n]}" for n in live))


def check_same(first, second):
    if plugin_of(first) != plugin_of(second):
        fail("the plug-in's file, state or parameter values changed on reopening and saving again")
    print("reopened and saved again: the plug-in's file, state and parameter values are unchanged")


if __name__ == "__main__":
    commands = {"write": (write, 1), "check-saved": (check_saved, 3), "check-same": (check_same, 2)}
    if len(sys.argv) < 2 or sys.argv[1] not in commands or len(sys.argv) != commands[sys.argv[1]][1] + 2:
        print(__doc__)
        sys.exit(2)
    commands[sys.argv[1]][0](*sys.argv[2:])
