#!/usr/bin/python3
"""Writes a resource script for an output executable made at build time: the template's
resources plus a package as BIN 102 and an argument record as BIN 125.

Usage: payload_rc.py FOLDER PACKAGE --record=TEXT
Writes FOLDER/record.bin (the 524-byte argument record holding TEXT) and FOLDER/payload.rc.
"""
import os
import sys

RECORD_SIZE = 524
MAX_LENGTH = 259


def main():
    folder, package, record_arg = sys.argv[1:4]
    if not record_arg.startswith('--record='):
        sys.exit('usage: payload_rc.py FOLDER PACKAGE --record=TEXT')
    text = record_arg[len('--record='):]
    if len(text) > MAX_LENGTH:
        sys.exit('the argument record holds at most %d characters' % MAX_LENGTH)
    data = text.encode('utf-16-le')
    record = data + b'\0' * (RECORD_SIZE - len(data))
    os.makedirs(folder, exist_ok=True)
    record_path = os.path.join(folder, 'record.bin')
    with open(record_path, 'wb') as f:
        f.write(record)
    script = ('#include "wrapstub.rc"\n'
              'WRAPSMITH_ID_PACKAGE BIN "%s"\n'
              'WRAPSMITH_ID_ARGUMENT_RECORD BIN "%s"\n') % (os.path.abspath(package),
                                                             os.path.abspath(record_path))
    rc_path = os.path.join(folder, 'payload.rc')
    old = open(rc_path).read() if os.path.exists(rc_path) else None
    if old != script:
        with open(rc_path, 'w') as f:
            f.write(script)


if __name__ == '__main__':
    main()
