#!/usr/bin/python3
"""The Linux build and the Windows build (under Wine: MSXML, msi.dll, the registry) against each
other: the same records save to byte-identical project files that xmllint accepts, each build
loads the other's files to the same records, and the same packages import to the same records.

crosscheck.py LINUX_PROGRAM PACKAGE_DIR
"""
import difflib
import filecmp
import os
import shutil
import subprocess
import sys

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WINDOWS_PROGRAM = os.path.join(os.environ["WRAPSMITH_WIN64_DIR"], "tests", "windows", "project", "project_crosscheck.exe")
failures = []


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.exit("%s failed (%d): %s" % (command, result.returncode, result.stdout.decode() + result.stderr.decode()))
    return result.stdout.decode("utf-8")


def linux(*args):
    return run([sys.argv[1]] + list(args))


def windows(*args):
    return run([WINE, WINDOWS_PROGRAM] + list(args))


def same(what, a, b):
    if a != b:
        failures.append(what)
        print("DIFFERENT: " + what)
        sys.stdout.writelines(difflib.unified_diff(a.splitlines(True), b.splitlines(True), "linux", "windows"))


def main():
    packages = sys.argv[2]
    work = os.path.join(os.environ.get("WRAPSMITH_BINARY_DIR", "."), "tests", "project", "crosscheck")
    shutil.rmtree(work, ignore_errors=True)
    linux_dir, windows_dir = os.path.join(work, "linux"), os.path.join(work, "windows")
    os.makedirs(linux_dir)
    os.makedirs(windows_dir)

    # Saving.
    linux("save", linux_dir)
    windows("save", windows_path(windows_dir))
    names = sorted(os.listdir(linux_dir))
    if names != sorted(os.listdir(windows_dir)) or not names:
        sys.exit("the builds wrote different files: %s / %s" % (names, sorted(os.listdir(windows_dir))))
    for name in names:
        if not filecmp.cmp(os.path.join(linux_dir, name), os.path.join(windows_dir, name), shallow=False):
            failures.append("bytes of " + name)
            print("DIFFERENT BYTES: " + name)
        lint = subprocess.run(["xmllint", "--noout", os.path.join(windows_dir, name)])
        if lint.returncode != 0:
            failures.append("xmllint " + name)

    # Loading: each build reads both builds' files, plus hand-written ones.
    extra = os.path.join(work, "extra")
    os.makedirs(extra)
    with open(os.path.join(extra, "utf16.xml"), "wb") as f:
        f.write('<?xml version="1.0" encoding="UTF-16"?><Settings CompactMode=" 1"><Exe ProductName="\u00c4 &amp; &gt;" '
                'Comments="a\\nb" /></Settings>'.encode("utf-16"))
    with open(os.path.join(extra, "elements.xml"), "wb") as f:
        f.write(b'\xef\xbb\xbf<?xml version="1.0"?>\n<Settings CompactMode="true">\n  <Exe CompactMode="1" ProductName="no">\n'
                b'    <ProductName>  X <![CDATA[<y>]]> </ProductName>\n    <!-- c -->\n    <IconPath>C:\\\\i.ico</IconPath>\n'
                b'  </Exe>\n</Settings>\n')
    with open(os.path.join(extra, "cp1252.xml"), "wb") as f:
        f.write(b'<?xml version="1.0" encoding="windows-1252"?><Settings CompactMode="1"><Exe ProductName="\x80 \xe4"/>'
                b'</Settings>')
    with open(os.path.join(extra, "utf7.xml"), "wb") as f:
        f.write(b'<?xml version="1.0" encoding="UTF-7"?><Settings CompactMode="1"><Exe ProductName="X"/></Settings>')
    with open(os.path.join(extra, "project.xml"), "wb") as f:
        f.write(b'<Project CompactMode="1"><Exe ProductName="X"/></Project>')
    with open(os.path.join(extra, "broken.xml"), "wb") as f:
        f.write(b'<Settings CompactMode="1"><Exe ProductName="X"></Settings>')
    with open(os.path.join(extra, "entity.xml"), "wb") as f:
        f.write(b'<?xml version="1.0"?><!DOCTYPE Settings [<!ENTITY x SYSTEM "file:///etc/passwd">]>'
                b'<Settings CompactMode="0"><Exe><ProductName>&x;</ProductName></Exe></Settings>')
    laughs = '<!ENTITY l0 "ha">' + "".join('<!ENTITY l%d "%s">' % (i, ("&l%d;" % (i - 1)) * 10) for i in range(1, 10))
    with open(os.path.join(extra, "laughs.xml"), "wb") as f:
        f.write(('<?xml version="1.0"?><!DOCTYPE Settings [%s]><Settings CompactMode="1"><Exe ProductName="&l9;"/>'
                 '</Settings>' % laughs).encode())
    extras = sorted(os.listdir(extra))
    for source in (linux_dir, windows_dir):
        files = [os.path.join(source, n) for n in names]
        same("loading files from " + os.path.basename(source), linux("load", *files),
             windows("load", *[windows_path(f) for f in files]))
    linux_loads = linux("load", *[os.path.join(linux_dir, n) for n in names])
    same("Linux loading both builds' files", linux_loads, linux("load", *[os.path.join(windows_dir, n) for n in names]))
    files = [os.path.join(extra, n) for n in extras]
    same("loading hand-written files", linux("load", *files), windows("load", *[windows_path(f) for f in files]))

    # Importing.
    package_files = sorted(n for n in os.listdir(packages) if n != "stamp") + ["missing.msi"]
    files = [os.path.join(packages, n) for n in package_files]
    linux_imports = linux("import", *files)
    same("importing packages", linux_imports, windows("import", *[windows_path(f) for f in files]))

    # The recent-file entry in the registry, under the program's own name.
    key = "HKCU\\Software\\Tarnwick\\project_crosscheck\\mru"
    windows("recent-write", "C:\\Projects\\sample project.xml")
    query = subprocess.run([WINE, "reg", "query", key, "/v", "file0"], stdout=subprocess.PIPE).stdout.decode("utf-8", "replace")
    if "C:\\Projects\\sample project.xml" not in query or "REG_SZ" not in query:
        failures.append("registry entry")
        print("registry: " + query)
    if windows("recent-read") != "[C:\\Projects\\sample project.xml]\n":
        failures.append("reading the registry entry")
    windows("recent-delete")
    if windows("recent-read") != "[]\n":
        failures.append("deleting the registry entry")

    print(linux_imports)
    if failures:
        sys.exit("failed: " + ", ".join(failures))
    print("the builds agree on %d saved files, %d hand-written files and %d packages" %
          (len(names), len(extras), len(package_files)))


if __name__ == "__main__":
    main()
