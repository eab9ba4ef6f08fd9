#!/usr/bin/python3
"""Prints the patterns of a TeX pattern file one a line; its \\hyphenation words become
whole-word patterns (9 at the breaks, 8 between the other letters), as the pattern compiler does."""
import re
import sys


def block(text, command):
    m = re.search(r'\\' + command + r'\{([^}]*)\}', text)
    if not m:
        return []
    body = re.sub(r'%[^\n]*', '', m.group(1))
    return body.split()


def exception_pattern(word):
    letters = word.replace('-', '')
    breaks = set()
    n = 0
    for c in word:
        if c == '-':
            breaks.add(n)
        else:
            n += 1
    out = '.'
    for i, c in enumerate(letters):
        if i > 0:
            out += '9' if i in breaks else '8'
        out += c
    return out + '.'


def main():
    text = open(sys.argv[1], encoding='utf-8').read()
    if '\\patterns{' in text:
        patterns = block(text, 'patterns')
        exceptions = block(text, 'hyphenation')
    else:
        patterns = re.sub(r'%[^\n]*', '', text).split()
        exceptions = []
    for p in patterns:
        print(p)
    for w in exceptions:
        print(exception_pattern(w))


if __name__ == '__main__':
    main()
