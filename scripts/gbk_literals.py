#!/usr/bin/env python3
"""Compiler launcher for compilers without a GBK execution character set (clang).

CMake puts it in front of every C++ compile when the compiler refuses -fexec-charset=GBK:
    gbk_literals.py <compiler> <arguments...>
A compile that asks for -fexec-charset=GBK gets that option removed; its source is copied
next to the object file with every run of non-ASCII text written as the octal escapes of
its GBK bytes, and the copy is compiled instead. A "#line" directive keeps the original
path for diagnostics, debug information and __FILE__, and -iquote keeps the source's own
folder first for quoted includes. Octal escapes take at most three digits, so a following
digit or letter never joins them. Comments are rewritten the same way, which changes
nothing but their look in the copy. Any other compile runs unchanged.
"""
import os
import re
import sys

GBK_OPTION = "-fexec-charset=gbk"
SOURCE_SUFFIXES = (".cpp", ".cc", ".cxx", ".c")
NON_ASCII = re.compile(r"[^\x00-\x7f]+")


def escape_run(match):
    return "".join("\\%03o" % b for b in match.group(0).encode("gbk"))


def rewrite(source, copy):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    quoted = source.replace("\\", "\\\\").replace('"', '\\"')
    out = '#line 1 "%s"\n%s' % (quoted, NON_ASCII.sub(escape_run, text))
    # Unchanged copies keep their time stamp.
    try:
        with open(copy, encoding="utf-8") as f:
            if f.read() == out:
                return
    except OSError:
        pass
    with open(copy, "w", encoding="utf-8") as f:
        f.write(out)


def main(argv):
    if len(argv) < 2:
        print("usage: gbk_literals.py COMPILER ARGS...", file=sys.stderr)
        return 2
    args = argv[1:]
    if not any(a.lower() == GBK_OPTION for a in args):
        os.execvp(args[0], args)
    args = [a for a in args if a.lower() != GBK_OPTION]

    source_at = next((i for i, a in enumerate(args)
                      if a.endswith(SOURCE_SUFFIXES) and i > 0 and args[i - 1] != "-o"
                      and os.path.isfile(a)), None)
    output_at = next((i + 1 for i, a in enumerate(args) if a == "-o"), None)
    if source_at is None or output_at is None or output_at >= len(args):
        print("gbk_literals.py: no source or no -o in the compile", file=sys.stderr)
        return 2

    source = os.path.abspath(args[source_at])
    ext = os.path.splitext(source)[1]
    copy = os.path.abspath(args[output_at]) + ".gbk" + ext
    os.makedirs(os.path.dirname(copy), exist_ok=True)
    try:
        rewrite(source, copy)
    except (UnicodeError, OSError) as e:
        print("%s: cannot convert to the GBK execution character set: %s" % (source, e),
              file=sys.stderr)
        return 1
    args[source_at] = copy
    args[1:1] = ["-iquote", os.path.dirname(source)]
    os.execvp(args[0], args)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
