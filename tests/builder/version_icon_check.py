#!/usr/bin/python3
"""Reads what the version and icon writers produced on copies of the launcher template with
readers nobody here wrote: pefile and wrestool always; with --wine also the system's
GetFileVersionInfoW / VerQueryValueW and ExtractIconExW under Wine (through our verquery.exe),
and the same writers run by the Windows build under Wine, which must write the same bytes.

usage: version_icon_check.py TOOL WORKDIR [--wine]
Environment: WRAPSMITH_WIN64_DIR (the x64 Windows programs), WINE (with --wine).
"""
import os
import shutil
import subprocess
import sys

import pefile

TOOL, WORK = sys.argv[1], sys.argv[2]
USE_WINE = "--wine" in sys.argv[3:]
WIN64 = os.environ["WRAPSMITH_WIN64_DIR"]
LAUNCHER = os.path.join(WIN64, "launcher", "wrapstub.exe")
VERQUERY = os.path.join(WIN64, "tests", "windows", "version_icon", "verquery.exe")

RECORD = {
    "Comments": "Installs the sample",
    "CompanyName": "Zürich Tools © 2026",
    "FileDescription": "Sample setup",
    "FileVersion": "2.0",
    "InternalName": "sample",
    "LegalCopyright": "",
    "LegalTrademarks": "日本語 ™",
    "OriginalFilename": "sample.exe",
    "PrivateBuild": "p" * 83,
    "ProductName": "Sample",
    "ProductVersion": "1.2.3.4.5",
    "SpecialBuild": "x",
}
KEYS = ["Comments", "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
        "LegalTrademarks", "OriginalFilename", "PrivateBuild", "ProductName", "ProductVersion",
        "SpecialBuild"]

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def run(*args, env=None):
    return subprocess.run(list(args), check=True, capture_output=True, env=env).stdout.decode("utf-8")


def fresh(name):
    path = os.path.join(WORK, name)
    shutil.copyfile(LAUNCHER, path)
    return path


def wine(*args):
    env = dict(os.environ)
    out = run(os.environ.get("WINE", "/usr/lib/wine/wine64"), VERQUERY, *args, env=env)
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def resources(pe, type_id):
    out = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.id != type_id:
            continue
        for n in t.directory.entries:
            for lang in n.directory.entries:
                rva, size = lang.data.struct.OffsetToData, lang.data.struct.Size
                out[(n.id, lang.id)] = pe.get_data(rva, size)
    return out


os.makedirs(WORK, exist_ok=True)

# --- version -------------------------------------------------------------------------------
exe = fresh("version.exe")
out = run(TOOL, "version", exe, *[f"{k}={v}" for k, v in RECORD.items()])
check(out.strip() == "result=0", "version writer result 0 (" + out.strip() + ")")

pe = pefile.PE(exe)
versions = resources(pe, 16)
check(list(versions) == [(1, 0x0409)], f"one RT_VERSION entry, id 1, language 0x0409: {list(versions)}")
block = versions.get((1, 0x0409), b"")
check(len(block) == 2644, f"the version resource is the 2644-byte block ({len(block)})")
fixed = pe.VS_FIXEDFILEINFO[0]
check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00020000, 0), "pefile: file version 2.0.0.0")
check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010002, 0x00030004), "pefile: product version 1.2.3.4")
check((fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS, fixed.FileType) == (0x3F, 0x28, 4, 1),
      "pefile: the other fixed fields as in the template")
strings = {}
for info in pe.FileInfo[0]:
    if info.Key == b"StringFileInfo":
        for table in info.StringTable:
            check(table.LangID == b"040904b0", "pefile: string table 040904b0")
            strings = {k.decode(): v.decode("utf-8") for k, v in table.entries.items()}
for key in KEYS:
    check(strings.get(key) == RECORD[key], f"pefile: {key} = {strings.get(key)!r}")

listing = run("wrestool", "-l", exe)
check("--type=16 --name=1 --language=1033" in listing, "wrestool lists RT_VERSION 1 language 1033")
extracted = subprocess.run(["wrestool", "-x", "--raw", "--type=16", "--name=1", exe], check=True,
                           capture_output=True).stdout
check(extracted == block, "wrestool extracts the same block")

too_long = fresh("too_long.exe")
before = open(too_long, "rb").read()
out = run(TOOL, "version", too_long, "ProductName=" + "n" * 84)
check(out.strip() == "result=122", "a text over 83 characters fails with 122 (" + out.strip() + ")")
check(open(too_long, "rb").read() == before, "and leaves the file unchanged")

if USE_WINE:
    got = wine("info", exe)
    check(got.get("file") == "00020000.00000000", f"Wine: file version {got.get('file')}")
    check(got.get("product") == "00010002.00030004", f"Wine: product version {got.get('product')}")
    check(got.get("translation") == "040904b0", f"Wine: translation {got.get('translation')}")
    for key in KEYS:
        check(got.get(key) == RECORD[key], f"Wine: {key} = {got.get(key)!r}")
        check(got.get(key + ".length") == "84", f"Wine: {key} length {got.get(key + '.length')}")

# --- icons ---------------------------------------------------------------------------------
COLOURS = {16: "ff0000ff", 24: "ff00ff00", 32: "ffff0000", 48: "ff808080"}
for kind, count in [("four", 4), ("one", 1), ("zero", 0), ("png", 1), ("past-end", None)]:
    exe = fresh(f"icon-{kind}.exe")
    before = open(exe, "rb").read()
    template_icons = resources(pefile.PE(exe), 3)
    out = run(TOOL, "icon", exe, kind, os.path.join(WORK, f"{kind}.ico"))
    if count is None:
        check(out.strip() == "result=1", f"{kind}: result 1 ({out.strip()})")
        check(open(exe, "rb").read() == before, f"{kind}: file unchanged")
        continue
    check(out.strip() == "result=0", f"{kind}: result 0 ({out.strip()})")
    pe = pefile.PE(exe)
    groups = resources(pe, 14)
    check(list(groups) == [(107, 0x0409)], f"{kind}: one group 107 in 0x0409: {list(groups)}")
    group = groups.get((107, 0x0409), b"")
    check(len(group) == 6 + 14 * count, f"{kind}: group of {6 + 14 * count} bytes ({len(group)})")
    ids = [int.from_bytes(group[6 + 14 * i + 12:6 + 14 * i + 14], "little") for i in range(count)]
    check(ids == list(range(107, 107 + count)), f"{kind}: image ids {ids}")
    icons = resources(pe, 3)
    check(set(icons) == set(template_icons) | {(i, 0x0409) for i in ids},
          f"{kind}: the template's images stay beside the new ones: {sorted(icons)}")
    listing = run("wrestool", "-l", exe)
    group_line = [line for line in listing.splitlines() if line.startswith("--type=14 --name=107 --language=1033 ")]
    check(len(group_line) == 1 and group_line[0].endswith(f"size={len(group)}]"), f"{kind}: wrestool lists the group")
    if count:
        check("--type=14 --name=107" in listing and "--type=3 --name=107" in listing, f"{kind}: wrestool lists image 107")
        ico = subprocess.run(["wrestool", "-x", "--type=14", "--name=107", exe], check=True,
                             capture_output=True).stdout
        check(ico[:6] == group[:6] and len(ico) >= 6 + 16 * count, f"{kind}: wrestool rebuilds an icon file")
    if USE_WINE and count:
        got = wine("icon", exe, "107")
        if kind == "png":
            check(got.get("large", "").endswith("ff3366cc"), f"Wine: {kind}: large icon from the PNG: {got.get('large')}")
        else:
            large = got.get("large", "")
            size = large.split("x")[0]
            check(large.endswith(COLOURS.get(int(size) if size.isdigit() else 0, "?")),
                  f"Wine: {kind}: large icon from the new group: {large}")
        if kind == "four":
            check(got.get("small", "").startswith("16x16 "), f"Wine: four: a small icon of 16x16: {got.get('small')}")
            check(got.get("large") == "32x32 " + COLOURS[32], f"Wine: four: large icon 32x32: {got.get('large')}")

if USE_WINE:
    # The Windows build runs the same writers through its own file layer: byte-identical output.
    def windows_path(path):
        return "Z:" + os.path.abspath(path).replace("/", "\\")
    native = fresh("native.exe")
    windows = fresh("windows.exe")
    ico = os.path.join(WORK, "four.ico")
    fields = [f"{k}={v}" for k, v in RECORD.items()]
    check(run(TOOL, "version", native, *fields).strip() == "result=0", "native version writer")
    got = wine("write-version", windows_path(windows), *fields)
    check(got.get("result") == "0", f"Windows build: version writer result {got.get('result')}")
    check(run(TOOL, "icon", native, "four", ico).strip() == "result=0", "native icon writer")
    got = wine("add-icon", windows_path(windows), windows_path(ico))
    check(got.get("result") == "0", f"Windows build: icon writer result {got.get('result')}")
    check(open(native, "rb").read() == open(windows, "rb").read(),
          "the Windows build writes the same bytes as the Linux build")
    got = wine("add-icon", windows_path(windows), windows_path(os.path.join(WORK, "missing.ico")))
    check(got.get("result") == "1", f"Windows build: a missing icon file gives 1 ({got.get('result')})")

    got = wine("self")
    check(got.get("FileVersion") == "3.1.4.1", f"Wine: own FileVersion through CFileVersionInfo: {got.get('FileVersion')!r}")
    check(got.get("ProductVersion") == "2.7.1.8", f"Wine: own ProductVersion: {got.get('ProductVersion')!r}")
    check(got.get("CompanyName") == "Test Company", f"Wine: own CompanyName trimmed: {got.get('CompanyName')!r}")
    check(got.get("Missing") == "", "Wine: a missing key gives an empty string")

print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
