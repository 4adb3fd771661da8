#!/usr/bin/env python3
"""Checks the layout of a combined DOS + Windows executable against the two
programs it was made from.

    check_combined.py COMBINED.EXE WINDOWS.EXE DOS.EXE

The DOS header says 61 header paragraphs, its relocation table is at 960 and
its load image (from 976) is the DOS program's; e_lfanew is 64 and the PE
headers there are the Windows program's except SizeOfHeaders (which covers
the DOS image), the checksum (0) and the moved section offsets; the section
data is unchanged; the first section's RVA is SizeOfHeaders rounded up to
the section alignment, with the sections back to back.
"""
import struct
import sys


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def align(v, a):
    return (v + a - 1) // a * a


def pe_layout(b):
    nt = u32(b, 60)
    assert b[nt:nt + 4] == b"PE\0\0", "no PE signature"
    count, opt_size = u16(b, nt + 6), u16(b, nt + 20)
    opt = nt + 24
    table = opt + opt_size
    sections = []
    for i in range(count):
        name, vsize, rva, rsize, raw = struct.unpack_from("<8sIIII", b, table + 40 * i)
        sections.append((name, vsize, rva, rsize, raw))
    return nt, opt, table, sections


def main():
    combined, windows, dos = (open(p, "rb").read() for p in sys.argv[1:4])
    problems = []

    def check(ok, what):
        if not ok:
            problems.append(what)

    # the DOS program as it was built
    header = u16(dos, 8) * 16
    size = u16(dos, 4) * 512 - ((512 - u16(dos, 2)) if u16(dos, 2) else 0)
    image = dos[header:size]
    relocs = [dos[u16(dos, 24) + 4 * i:u16(dos, 24) + 4 * i + 4] for i in range(u16(dos, 6))]

    # the DOS view of the combined file
    c_size = u16(combined, 4) * 512 - ((512 - u16(combined, 2)) if u16(combined, 2) else 0)
    check(combined[:2] == b"MZ", "no MZ signature")
    check(u16(combined, 8) == 61, "header paragraphs %d, not 61" % u16(combined, 8))
    check(u16(combined, 24) == 960, "relocation table at %d, not 960" % u16(combined, 24))
    check(u32(combined, 60) == 64, "e_lfanew %d, not 64" % u32(combined, 60))
    check(c_size == 976 + len(image), "DOS size fields say %d, the image ends at %d" % (c_size, 976 + len(image)))
    check(combined[976:976 + len(image)] == image, "the DOS load image differs")
    check(u16(combined, 6) == len(relocs), "relocation count differs")
    for i, r in enumerate(relocs):
        check(combined[960 + 4 * i:964 + 4 * i] == r, "relocation %d differs" % i)
    check(not any(combined[960 + 4 * len(relocs):976]), "bytes after the relocations are not zero")
    for field in (10, 12, 14, 16, 20, 22):  # min/max alloc, SS, SP, IP, CS
        check(u16(combined, field) == u16(dos, field), "DOS header field at %d differs" % field)

    # the Windows view
    nt, opt, table, sections = pe_layout(combined)
    w_nt, w_opt, w_table, w_sections = pe_layout(windows)
    check(nt == 64, "PE header not at 64")
    check(not any(combined[table + 40 * len(sections):960]), "bytes between the PE headers and 960 are not zero")
    section_alignment, file_alignment = u32(combined, opt + 32), u32(combined, opt + 36)
    headers = u32(combined, opt + 60)
    check(headers % file_alignment == 0, "SizeOfHeaders not file-aligned")
    check(headers >= 976 + len(image), "SizeOfHeaders does not cover the DOS image")
    check(u32(combined, opt + 64) == 0, "checksum not cleared")
    check(sections[0][2] == align(headers, section_alignment),
          "first section RVA %#x is not SizeOfHeaders %#x rounded up" % (sections[0][2], headers))
    unchanged = [(0, 60), (68, w_table - w_opt)]  # optional header except SizeOfHeaders, CheckSum
    for lo, hi in unchanged:
        check(combined[opt + lo:opt + hi] == windows[w_opt + lo:w_opt + hi], "optional header bytes %d..%d differ" % (lo, hi))
    check(combined[nt:opt] == windows[w_nt:w_opt], "file header differs")
    next_rva = sections[0][2]
    for (name, vsize, rva, rsize, raw), (w_name, w_vsize, w_rva, w_rsize, w_raw) in zip(sections, w_sections):
        check((name, vsize, rva, rsize) == (w_name, w_vsize, w_rva, w_rsize), "section %r changed" % name)
        check(rva == next_rva, "section %r is not back to back" % name)
        next_rva = align(rva + (vsize or rsize), section_alignment)
        if rsize:
            check(raw >= headers, "section %r overlaps the headers" % name)
            check(combined[raw:raw + rsize] == windows[w_raw:w_raw + rsize], "section %r data differs" % name)
    last = max(raw + rsize for _, _, _, rsize, raw in sections if rsize)
    check(len(combined) == last, "data after the last section")

    if problems:
        print("combined executable: " + "; ".join(problems), file=sys.stderr)
        sys.exit(1)
    print("  layout: DOS image %d bytes at 976, SizeOfHeaders %#x, first section RVA %#x, %d sections"
          % (len(image), headers, sections[0][2], len(sections)))


if __name__ == "__main__":
    main()
