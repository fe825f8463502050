#!/usr/bin/python3
"""osslsigncode signs and verifies a file our editor changed; a signed file edited by us loses
its certificate table explicitly (directory entry cleared, the bytes gone, everything else kept)
and can be signed again.

usage: pe_signing_check.py PE_TOOL PROGRAM WORK_DIR
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_checks  # noqa: E402


def run(cmd):
    return subprocess.run(cmd, capture_output=True, text=True)


def main():
    tool, program, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    key, cert = os.path.join(work, 'key.pem'), os.path.join(work, 'cert.pem')
    made = run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key, '-out', cert,
                '-subj', '/CN=Wrapsmith test', '-days', '2'])
    if made.returncode:
        print(made.stderr)
        return 1
    failures = []

    def sign(source, target):
        r = run(['osslsigncode', 'sign', '-certs', cert, '-key', key, '-h', 'sha256', '-in', source, '-out', target])
        if r.returncode:
            failures.append('signing %s failed: %s' % (source, r.stdout + r.stderr))
        v = run(['osslsigncode', 'verify', '-CAfile', cert, '-in', target])
        if v.returncode:
            failures.append('%s does not verify: %s' % (target, v.stdout[-500:]))

    def edit(path, *args):
        r = run([tool, 'edit', path] + list(args))
        if r.returncode:
            failures.append('editing %s failed: %s' % (path, r.stdout))

    edited = os.path.join(work, 'edited.exe')
    shutil.copyfile(program, edited)
    edit(edited, '--bytes', 'BIN', '#77', '1033', '300000', '5')
    signed = os.path.join(work, 'signed.exe')
    sign(edited, signed)

    resigned_source = os.path.join(work, 'signed-edited.exe')
    shutil.copyfile(signed, resigned_source)
    edit(resigned_source, '--bytes', 'BIN', '#78', '1033', '100', '3')
    before_pe, before = pe_checks.load(signed)
    after_pe, after = pe_checks.load(resigned_source)
    cert_dir = before_pe.OPTIONAL_HEADER.DATA_DIRECTORY[pe_checks.SECURITY]
    if not cert_dir.Size:
        failures.append('osslsigncode wrote no certificate table')
    if after_pe.OPTIONAL_HEADER.DATA_DIRECTORY[pe_checks.SECURITY].Size or \
            after_pe.OPTIONAL_HEADER.DATA_DIRECTORY[pe_checks.SECURITY].VirtualAddress:
        failures.append('the certificate directory entry was not cleared')
    blob = before[cert_dir.VirtualAddress:cert_dir.VirtualAddress + cert_dir.Size]
    if blob and blob in after:
        failures.append('the certificate bytes are still in the file')
    failures += pe_checks.check_image(after_pe, after) + pe_checks.check_outside(before_pe, before, after_pe, after)
    if run(['osslsigncode', 'verify', '-CAfile', cert, '-in', resigned_source]).returncode == 0:
        failures.append('the edited file still claims a valid signature')
    sign(resigned_source, os.path.join(work, 'signed-again.exe'))
    print('%d failures' % len(failures))
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
