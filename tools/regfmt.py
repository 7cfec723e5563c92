#!/usr/bin/env python3
"""Formats registry values the way the Registry Editor exports them.

Used when writing the stored registry scripts by hand: byte lists are wrapped
after a comma once the line reaches 77 characters, and continued on the next
line after two blanks, so no line is longer than 79 characters.

  regfmt.py hex2 NAME TEXT     expandable text (UTF-16LE with its zero)
  regfmt.py hex NAME HEXBYTES  binary data, e.g. 38070000
  regfmt.py sz NAME TEXT       quoted text with its escapes
NAME "@" stands for the default value.
"""
import sys

WRAP_COLUMN = 76


def quote(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def value_prefix(name):
    return '@=' if name == '@' else quote(name) + '='


def hex_lines(prefix, data):
    line = prefix
    lines = []
    for i, byte in enumerate(data):
        line += '%02x' % byte
        if i + 1 < len(data):
            line += ','
            if len(line) >= WRAP_COLUMN:
                lines.append(line + '\\')
                line = '  '
    lines.append(line)
    return lines


def hex2(name, text):
    return hex_lines(value_prefix(name) + 'hex(2):', (text + '\0').encode('utf-16-le'))


def binary(name, data):
    return hex_lines(value_prefix(name) + 'hex:', data)


def sz(name, text):
    return [value_prefix(name) + quote(text)]


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__)
    kind, name, data = argv[1:]
    if kind == 'hex2':
        out = hex2(name, data)
    elif kind == 'hex':
        out = binary(name, bytes.fromhex(data))
    elif kind == 'sz':
        out = sz(name, data)
    else:
        sys.exit(__doc__)
    print('\n'.join(out))


if __name__ == '__main__':
    main(sys.argv)
