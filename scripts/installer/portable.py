"""Writes Pathstow's portable zip: the program, a read-me in English and
French, and the licence words of the About box, as Windows text files
(UTF-8 with a byte order mark, CRLF line ends).

    portable.py VERSION EXE ABOUT_RC README_TEMPLATE OUT_ZIP

The licence words are read from the About box's resource script, so that
the zip always says what the program says.
"""

import re
import sys
import zipfile
from pathlib import Path


def rc_strings(block):
    """The quoted texts of a resource script block, with its escapes decoded
    (octal escapes are code page 1252 bytes)."""
    texts = []
    for raw in re.findall(r'"((?:[^"\\]|\\.|"")*)"', block):
        data = bytearray()
        i = 0
        while i < len(raw):
            c = raw[i]
            if c == "\\" and i + 1 < len(raw):
                octal = re.match(r"[0-7]{1,3}", raw[i + 1:])
                if octal:
                    data.append(int(octal.group(0), 8))
                    i += 1 + len(octal.group(0))
                    continue
                data += {"n": b"\n", "t": b"\t", "\\": b"\\", '"': b'"'}.get(raw[i + 1], raw[i + 1].encode("cp1252"))
                i += 2
            elif raw.startswith('""', i):
                data += b'"'
                i += 2
            else:
                data += c.encode("cp1252")
                i += 1
        texts.append(data.decode("cp1252"))
    return texts


def licence_words(about_rc):
    """{"en": ..., "fr": ...}: the About box's rights notice per language."""
    text = about_rc.read_text(encoding="cp1252")
    blocks = {}
    for match in re.finditer(r"^LANGUAGE\s+LANG_(\w+)", text, re.M):
        end = text.find("\nLANGUAGE", match.end())
        blocks[match.group(1)] = text[match.end():end if end >= 0 else len(text)]
    words = {}
    for language, block_name, keyword in (("en", "ENGLISH", "Freeware"), ("fr", "FRENCH", "Gratuiciel")):
        found = [s for s in rc_strings(blocks.get(block_name, "")) if s.startswith(keyword)]
        if len(found) != 1:
            sys.exit(f"portable: no single '{keyword}' notice in the {block_name} About box of {about_rc}")
        words[language] = found[0]
    return words


def windows_text(text):
    """UTF-8 with a byte order mark and CRLF line ends: what Notepad reads
    right on every Windows version."""
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def underline_titles(text):
    """A line of '=' under a title gets the title's length."""
    lines = text.split("\n")
    for k in range(1, len(lines)):
        if lines[k] and set(lines[k]) == {"="} and lines[k - 1]:
            lines[k] = "=" * len(lines[k - 1])
    return "\n".join(lines)


def main():
    version, exe, about_rc, template, out_zip = sys.argv[1:6]
    words = licence_words(Path(about_rc))
    readme = Path(template).read_text(encoding="utf-8")
    readme = readme.replace("@VERSION@", version).replace("@LICENCE_EN@", words["en"]) \
        .replace("@LICENCE_FR@", words["fr"])
    readme = underline_titles(readme)
    licence = f"Pathstow {version}\nKelvane Software\n\n{words['en']}\n\n{words['fr']}\n"

    folder = f"Pathstow-{version}"
    # Fixed times and modes: the same inputs give the same zip.
    stamp = (2000, 1, 1, 0, 0, 0)
    entries = [("Pathstow.exe", Path(exe).read_bytes()),
               ("ReadMe.txt", windows_text(readme)),
               ("Licence.txt", windows_text(licence))]
    out = Path(out_zip)
    tmp = out.with_name(out.name + ".tmp")
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(f"{folder}/{name}", stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, data)
    tmp.replace(out)


if __name__ == "__main__":
    main()
