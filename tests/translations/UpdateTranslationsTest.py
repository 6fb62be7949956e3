#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""scripts/update-translations fills a message from the glossary with its line breaks and
carriage returns intact (lupdate stores a carriage return as <byte value="xd"/>), and
lrelease compiles it to the same text."""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "update-translations")
TS = """<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context><name>frmWait</name>
<message><source>Unable to add %1.<byte value="xd"/>
Site may be down.</source><translation type="unfinished"></translation></message>
<message><source>New text</source><translation type="unfinished"></translation></message>
</context></TS>
"""


def main(lrelease):
    script = {"__file__": SCRIPT, "__name__": "update_translations"}
    exec(compile(open(SCRIPT, encoding="utf-8").read(), SCRIPT, "exec"), script)
    with tempfile.TemporaryDirectory() as folder:
        glossary = os.path.join(folder, "glossary.tsv")
        with open(glossary, "w", encoding="utf-8") as f:
            f.write("Unable to add %1.\\r\\nSite may be down.\t%1 kann nicht hinzugefügt werden.\\r\\nSeite?\n")
        ts = os.path.join(folder, "pelmor_de.ts")
        with open(ts, "w", encoding="utf-8") as f:
            f.write(TS)
        missing = script["fill"](ts, script["read_glossary"](glossary))
        assert [source for _, source in missing] == ["New text"], missing
        messages = list(script["messages"](ET.parse(ts)))
        translated = script["read_text"](messages[0][1].find("translation"))
        assert translated == "%1 kann nicht hinzugefügt werden.\r\nSeite?", repr(translated)
        # What lrelease made of it, read back from the .qm file.
        qm, back = os.path.join(folder, "de.qm"), os.path.join(folder, "back.ts")
        subprocess.run([lrelease, "-silent", ts, "-qm", qm], check=True)
        subprocess.run([os.path.join(os.path.dirname(lrelease), "lconvert"), "-i", qm, "-o", back], check=True)
        compiled = [script["read_text"](m.find("translation")) for _, m in script["messages"](ET.parse(back))]
        assert compiled == ["%1 kann nicht hinzugefügt werden.\r\nSeite?"], compiled
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
