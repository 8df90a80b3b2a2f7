#!/usr/bin/env python3
"""How the server program is linked, read from its file.

  cgi_link_test.py PROGRAM ORDER_FILE [ordered]

- It is one static position-independent program: an ELF file of type DYN without an interpreter,
  so that the resident instance keeps address randomisation and no CGI process maps a shared
  library.
- Its relative relocations are packed (a DT_RELR table, no relative entries of the plain kind).
- With "ordered" (the LLVM linker's link): the functions of ORDER_FILE are nearly all in the
  program (a list gone stale after a change leaves a CGI process's start strewn over the file
  again: scripts/cgi-start-order writes it anew), and they lie together at most twice their own
  size apart, not strewn over its megabytes of code.
"""
import struct
import subprocess
import sys


def fail(text):
    print("FAIL:", text)
    sys.exit(1)


def main():
    program, order_file = sys.argv[1], sys.argv[2]
    ordered = len(sys.argv) > 3 and sys.argv[3] == "ordered"
    with open(program, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF" or data[4] != 2:
        fail("not a 64-bit ELF file")
    e_type = struct.unpack_from("<H", data, 16)[0]
    e_phoff = struct.unpack_from("<Q", data, 32)[0]
    e_phentsize, e_phnum = struct.unpack_from("<HH", data, 54)
    if e_type != 3:
        fail("ELF type %d, not a position-independent program (3)" % e_type)
    dynamic = None
    for i in range(e_phnum):
        p_type, _, p_offset, _, _, p_filesz = struct.unpack_from("<IIQQQQ", data, e_phoff + i * e_phentsize)
        if p_type == 3:
            fail("it has an interpreter: not a static program")
        if p_type == 2:
            dynamic = (p_offset, p_filesz)
    if dynamic is None:
        fail("no dynamic section: nothing says how the program is relocated")
    tags = {}
    for offset in range(dynamic[0], dynamic[0] + dynamic[1], 16):
        tag, value = struct.unpack_from("<qQ", data, offset)
        if tag == 0:
            break
        tags[tag] = value
    DT_RELASZ, DT_RELACOUNT, DT_RELR, DT_RELRSZ = 8, 0x6FFFFFF9, 36, 35
    if DT_RELR not in tags or tags.get(DT_RELRSZ, 0) == 0:
        fail("no packed relative relocations (DT_RELR)")
    if tags.get(DT_RELACOUNT, 0) > 0:
        fail("%d relative relocations left unpacked" % tags[DT_RELACOUNT])
    if tags.get(DT_RELASZ, 0) > 64 * 1024:
        fail("%d bytes of plain relocations" % tags[DT_RELASZ])
    if not ordered:
        print("a static position-independent program, its relocations packed")
        return
    names = set()
    with open(order_file) as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                names.add(line)
    symbols = subprocess.run(["nm", "-S", program], capture_output=True, text=True, check=True).stdout
    known, functions = set(), {}
    for line in symbols.splitlines():
        parts = line.split()
        if len(parts) != 4:
            continue
        known.add(parts[3])
        if parts[2] in "tTwW" and parts[3] in names:
            functions[parts[3]] = (int(parts[0], 16), int(parts[1], 16))
    found = len(names & known)
    if found < 0.9 * len(names):
        fail("only %d of the %d names of %s are in the program: run scripts/cgi-start-order" %
             (found, len(names), order_file))
    if len(functions) < 100:
        fail("only %d functions of the list are in the program" % len(functions))
    low = min(a for a, _ in functions.values())
    high = max(a + s for a, s in functions.values())
    size = sum(s for _, s in functions.values())
    if high - low > 2 * size:
        fail("the %d listed functions (%d bytes) lie over %d bytes: the order was not applied" %
             (len(functions), size, high - low))
    print("a static position-independent program, its relocations packed; %d of %d names found, "
          "%d functions (%d bytes) within %d bytes" % (found, len(names), len(functions), size, high - low))


if __name__ == "__main__":
    main()
