"""The resources of the built Pathstow.exe, read from the file: the application
manifest, the version resource in both languages and the icon frames.

ctest gives the program (PATHSTOW_EXE), CMake's project version
(PATHSTOW_VERSION) and the target processor (PATHSTOW_ARCH)."""

import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

import pefile
import pytest

EXE = Path(os.environ["PATHSTOW_EXE"])
VERSION = os.environ["PATHSTOW_VERSION"]
ARCH = os.environ["PATHSTOW_ARCH"]
SOURCE = Path(__file__).resolve().parents[2]

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24
IDR_MAINFRAME, IDD_ABOUT = 128, 129
ENGLISH, FRENCH = 0x0409, 0x040C
MACHINES = {"i686": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
            "x86_64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]}


@pytest.fixture(scope="module")
def exe():
    pe = pefile.PE(str(EXE), fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    return pe


def resources(pe, kind):
    """{(name, language): data} of one resource type."""
    found = {}
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id != kind:
            continue
        for name in type_entry.directory.entries:
            for language in name.directory.entries:
                rva, size = language.data.struct.OffsetToData, language.data.struct.Size
                found[(name.id, language.id)] = pe.get_data(rva, size)
    return found


def one(pe, kind, name):
    matches = [data for (n, _), data in resources(pe, kind).items() if n == name]
    assert len(matches) == 1, f"resource {name} of type {kind}: {len(matches)} found"
    return matches[0]


def test_program_is_built_for_its_architecture(exe):
    assert exe.FILE_HEADER.Machine == MACHINES[ARCH]


# ---- manifest ----

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SETTINGS_2019 = "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


@pytest.fixture(scope="module")
def manifest(exe):
    return ET.fromstring(one(exe, RT_MANIFEST, 1))  # fails on XML that is not well-formed


def test_manifest_asks_for_common_controls_6(manifest):
    wanted = {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
              "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}
    path = f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity"
    assert [identity.attrib for identity in manifest.findall(path)] == [wanted]


def test_manifest_claims_system_dpi_awareness_and_no_more(manifest):
    settings = manifest.find(f"{ASM_V3}application/{ASM_V3}windowsSettings")
    assert settings is not None
    assert [e.text.strip() for e in settings.findall(f"{SETTINGS_2005}dpiAware")] == ["true"]
    # Per-monitor awareness would need links that follow a change of scale.
    assert settings.find(f"{SETTINGS_2016}dpiAwareness") is None


def test_manifest_makes_utf8_the_ansi_code_page(manifest):
    """Names in every script pass the program's ANSI calls whole."""
    path = f"{ASM_V3}application/{ASM_V3}windowsSettings/{SETTINGS_2019}activeCodePage"
    assert [e.text.strip() for e in manifest.findall(path)] == ["UTF-8"]


def test_manifest_lists_windows_7_to_11(manifest):
    path = f"{COMPATIBILITY}compatibility/{COMPATIBILITY}application/{COMPATIBILITY}supportedOS"
    ids = [e.get("Id").lower() for e in manifest.findall(path)]
    assert sorted(ids) == sorted(SUPPORTED_OS)


def test_manifest_runs_as_invoker(manifest):
    path = (f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
            f"{ASM_V3}requestedExecutionLevel")
    assert [e.attrib for e in manifest.findall(path)] == [{"level": "asInvoker",
                                                           "uiAccess": "false"}]


# ---- version resource ----

def align4(offset):
    return (offset + 3) & ~3


def version_node(data, offset):
    """One node of a VS_VERSIONINFO block as (key, value, children, end):
    text values as str, binary ones as bytes."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = align4(key_end + 2)
    if is_text and value_length:  # a String: its text up to the terminator, and no children
        return key, data[position:end].decode("utf-16-le").split("\0")[0], [], end
    value = data[position:position + value_length]
    position = align4(position + value_length)
    children = []
    while position < end:
        child = version_node(data, position)
        children.append(child)
        position = align4(child[3])
    return key, value, children, end


@pytest.fixture(scope="module")
def version(exe):
    key, fixed, children, _ = version_node(one(exe, RT_VERSION, 1), 0)
    assert key == "VS_VERSION_INFO"
    tables = {}
    translations = []
    for name, _, blocks, _ in children:
        if name == "StringFileInfo":
            tables = {block[0].upper(): {k: v for k, v, _, _ in block[2]} for block in blocks}
        elif name == "VarFileInfo":
            value = next(v for k, v, _, _ in blocks if k == "Translation")
            translations = list(struct.iter_unpack("<HH", value))
    return fixed, tables, translations


def about_version_text(exe, language):
    """The "Pathstow <version>" line of the About template in `language`."""
    template = resources(exe, RT_DIALOG)[(IDD_ABOUT, language)].decode("utf-16-le", "replace")
    lines = re.findall(r"Pathstow \d[\d.]*(?=\0)", template)
    assert len(lines) == 1, lines
    return lines[0]


def test_version_numbers_are_the_projects(version):
    fixed, _, _ = version
    (signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, os_kind, file_type,
     _, _, _) = struct.unpack("<13I", fixed)
    parts = [int(p) for p in VERSION.split(".")] + [0] * (4 - len(VERSION.split(".")))
    expected = ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3])
    assert signature == 0xFEEF04BD
    assert (file_ms, file_ls) == expected
    assert (product_ms, product_ls) == expected
    assert (flags, os_kind, file_type) == (0, 0x40004, 1)  # a release, VOS_NT_WINDOWS32, VFT_APP


STRINGS = {
    "040904E4": {"CompanyName": "Kelvane Software",
                 "FileDescription": "Pathstow - folder bookmarks in the notification area",
                 "LegalCopyright": "Freeware - all rights reserved"},
    "040C04E4": {"CompanyName": "Kelvane Software",
                 "FileDescription": "Pathstow - favoris de r\u00e9pertoires dans la zone de "
                                    "notification",
                 "LegalCopyright": "Gratuiciel - droits r\u00e9serv\u00e9s"},
}


@pytest.mark.parametrize("block, language", [("040904E4", ENGLISH), ("040C04E4", FRENCH)])
def test_version_texts_in_each_language(exe, version, block, language):
    _, tables, _ = version
    table = tables[block]
    for name, text in STRINGS[block].items():
        assert table.get(name) == text, name
    assert table.get("ProductName") == "Pathstow"
    assert table.get("InternalName") == "Pathstow"
    assert table.get("OriginalFilename") == EXE.name
    # The About box of the same language shows the same version.
    assert table.get("FileVersion") == table.get("ProductVersion") == VERSION
    assert about_version_text(exe, language) == f"Pathstow {VERSION}"


def test_version_translations_name_both_languages(version):
    _, tables, translations = version
    assert translations == [(ENGLISH, 1252), (FRENCH, 1252)]
    assert sorted(tables) == sorted(f"{lang:04X}{page:04X}" for lang, page in translations)


# ---- icon ----

# (size, bits per pixel): the 16-colour images of old, and the true colour
# ones of every small and large icon size at 100 to 200 % scale.
FRAMES = [(16, 4), (32, 4), (16, 32), (20, 32), (24, 32), (32, 32), (40, 32), (48, 32)]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def icon_group(exe):
    """[(width, height, bits, image data)] of icon group 128."""
    group = one(exe, RT_GROUP_ICON, IDR_MAINFRAME)
    reserved, kind, count = struct.unpack_from("<HHH", group)
    assert (reserved, kind) == (0, 1)
    images = {name: data for (name, _), data in resources(exe, RT_ICON).items()}
    frames = []
    for i in range(count):
        width, height, _, _, _, bits, size, image_id = struct.unpack_from("<BBBBHHIH", group,
                                                                         6 + 14 * i)
        assert len(images[image_id]) == size
        frames.append((width or 256, height or 256, bits, images[image_id]))
    return frames


def image_header(data):
    """(width, height, bits per pixel, alpha) as the image itself says; alpha:
    the set of alpha values of a true colour bitmap, None for other images."""
    if data.startswith(PNG_SIGNATURE):
        width, height, depth, colour_type = struct.unpack_from(">IIBB", data, 16)
        assert (depth, colour_type) == (8, 6), "a PNG image in 8-bit RGBA"
        return width, height, 32, None
    size, width, height, planes, bits = struct.unpack_from("<IiiHH", data)
    assert (size, planes, height) == (40, 1, 2 * width)  # colour and mask, one above the other
    if bits != 32:
        return width, width, bits, None
    return width, width, bits, set(data[40 + 3:40 + 4 * width * width:4])


@pytest.mark.parametrize("size, bits", FRAMES)
def test_icon_has_the_frame(exe, size, bits):
    matches = [data for w, h, b, data in icon_group(exe) if (w, h, b) == (size, size, bits)]
    assert len(matches) == 1, f"{size}x{size} {bits}-bit images: {len(matches)}"
    width, height, image_bits, alpha = image_header(matches[0])
    assert (width, height, image_bits) == (size, size, bits)
    if alpha is not None:  # drawn with its alpha channel: opaque pixels and clear ones
        assert {0, 255} <= alpha


def test_icon_is_the_one_built_from_its_source(exe, tmp_path):
    built = tmp_path / "pathstow.ico"
    subprocess.run([sys.executable, str(SOURCE / "scripts" / "make-icon.py"),
                    str(SOURCE / "res" / "pathstow-icon.txt"), str(built)],
                   check=True, capture_output=True)
    icon = built.read_bytes()
    assert icon == (SOURCE / "res" / "pathstow.ico").read_bytes(), \
        "res/pathstow.ico is out of date: run scripts/make-icon.py"
    count = struct.unpack_from("<H", icon, 4)[0]
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", icon, 6 + 16 * i + 8)
        images.append(icon[offset:offset + size])
    assert [data for _, _, _, data in icon_group(exe)] == images
