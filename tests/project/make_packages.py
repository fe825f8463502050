#!/usr/bin/python3
"""Builds the small Windows Installer packages the import tests read, with wixl.

make_packages.py OUTDIR

Writes into OUTDIR:
  sample.msi, "My Setup.MSI", setup.msi.msi, tool.exe.msi, setup.pkg  (one package, five names)
  nocomments.msi   no ARPCOMMENTS property
  name255.msi      ProductName of 255 characters
  name256.msi      ProductName of 256 characters
  accents.msi      text outside ASCII (code page 1252)
  notapackage.msi  a text file
"""
import os
import shutil
import subprocess
import sys
import tempfile

TEMPLATE = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{{11111111-2222-3333-4444-{code:012d}}}" Name="{name}" Language="1033" Version="{version}"
           Manufacturer="{manufacturer}" UpgradeCode="12345678-1234-1234-1234-123456789012" Codepage="1252">
    <Package InstallerVersion="200" Compressed="yes"/>
    {comments}
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Main" Level="1"/>
  </Product>
</Wix>
"""


def build(outdir, name, product, version, manufacturer, comments, code):
    comment = '<Property Id="ARPCOMMENTS" Value="%s"/>' % comments if comments is not None else ""
    wxs = TEMPLATE.format(name=product, version=version, manufacturer=manufacturer, comments=comment, code=code)
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "package.wxs")
        with open(source, "w", encoding="utf-8") as f:
            f.write(wxs)
        subprocess.run(["wixl", "-o", os.path.join(outdir, name), source], check=True)


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    build(outdir, "sample.msi", "Sample Product", "1.2.3", "Sample Co", "Sample comment", 1)
    for copy in ("My Setup.MSI", "setup.msi.msi", "tool.exe.msi", "setup.pkg"):
        shutil.copyfile(os.path.join(outdir, "sample.msi"), os.path.join(outdir, copy))
    build(outdir, "nocomments.msi", "Other Product", "4.5.6.7", "Other Co", None, 2)
    build(outdir, "name255.msi", "N" * 254 + "5", "1.0.0", "Long Co", "long", 3)
    build(outdir, "name256.msi", "N" * 255 + "6", "1.0.0", "Long Co", "long", 4)
    build(outdir, "accents.msi", "Caf\u00e9 \u00dcber", "2.0.0", "Fa\u00e7ade S.\u00e0 r.l.", "Gr\u00fc\u00dfe", 5)
    with open(os.path.join(outdir, "notapackage.msi"), "w") as f:
        f.write("This is not a Windows Installer package.\n")


if __name__ == "__main__":
    main()
