// execombine: puts a DOS program into the MS-DOS header area of a Windows
// executable, so that one file runs the DOS build under DOS and the Windows
// build under Windows.
//
//   execombine WINDOWS.EXE DOS.EXE OUT.EXE
//
// Layout of OUT.EXE: the DOS header (61 paragraphs, 976 bytes) with the PE
// headers at offset 64 (e_lfanew = 64) inside it and the DOS relocation
// table at 960; the DOS load image from 976; the Windows sections from
// SizeOfHeaders on, which now covers the DOS image. RVAs do not change, so
// the Windows build must already be linked with its first section at the
// RVA that SizeOfHeaders rounds up to (the tool says which when it is not).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t pe_header_at = 64;
constexpr uint32_t reloc_table_at = 960;
constexpr uint32_t dos_header_paragraphs = 61;
constexpr uint32_t dos_image_at = dos_header_paragraphs * 16;  // 976
constexpr uint32_t max_relocations = (dos_image_at - reloc_table_at) / 4;

struct Failure {
    std::string what;
};

uint32_t get16(const Bytes &b, size_t at)
{
    if (at + 2 > b.size())
        throw Failure{"file too short"};
    return b[at] | uint32_t(b[at + 1]) << 8;
}

uint32_t get32(const Bytes &b, size_t at) { return get16(b, at) | get16(b, at + 2) << 16; }

void put16(Bytes &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

uint32_t align_up(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

std::string hex(uint64_t v)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", (unsigned long long)v);
    return text;
}

Bytes read_file(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{std::string("cannot read ") + path};
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct DosProgram {
    Bytes header;   // the first 28 bytes, fields as they were
    Bytes image;
    std::vector<uint32_t> relocations;  // offset | segment << 16
};

DosProgram read_dos(const Bytes &file)
{
    if (get16(file, 0) != 0x5A4D)
        throw Failure{"the DOS program is not an MZ executable"};
    uint32_t last = get16(file, 2), pages = get16(file, 4);
    uint32_t size = pages * 512 - (last ? 512 - last : 0);
    uint32_t header = get16(file, 8) * 16;
    uint32_t count = get16(file, 6), table = get16(file, 24);
    if (size > file.size() || header > size)
        throw Failure{"the DOS program's size fields do not match the file"};
    if (count > max_relocations)
        throw Failure{"the DOS program has more than " + std::to_string(max_relocations) + " relocations"};
    DosProgram p;
    p.header.assign(file.begin(), file.begin() + 28);
    p.image.assign(file.begin() + header, file.begin() + size);
    for (uint32_t i = 0; i < count; i++)
        p.relocations.push_back(get32(file, table + 4 * i));
    return p;
}

Bytes combine(const Bytes &pe, const DosProgram &dos)
{
    if (get16(pe, 0) != 0x5A4D)
        throw Failure{"the Windows program is not an MZ executable"};
    uint32_t nt = get32(pe, 60);
    if (get32(pe, nt) != 0x00004550)
        throw Failure{"the Windows program has no PE header"};
    uint32_t coff = nt + 4, sections = get16(pe, coff + 2);
    uint32_t optional = coff + 20, optional_size = get16(pe, coff + 16);
    uint32_t magic = get16(pe, optional);
    if (magic != 0x10B && magic != 0x20B)
        throw Failure{"unknown optional header"};
    if (get32(pe, coff + 8) != 0 || get32(pe, coff + 12) != 0)
        throw Failure{"the Windows program has a symbol table: link it with -s"};
    uint32_t section_alignment = get32(pe, optional + 32), file_alignment = get32(pe, optional + 36);
    uint64_t image_base = magic == 0x10B ? get32(pe, optional + 28)
                                         : (uint64_t(get32(pe, optional + 28)) << 32 | get32(pe, optional + 24));
    uint32_t directories_at = optional + (magic == 0x10B ? 96 : 112);
    uint32_t directories = get32(pe, directories_at - 4);
    // the certificate and debug directories hold file offsets that would move
    for (uint32_t d : {4u, 6u})
        if (d < directories && get32(pe, directories_at + 8 * d + 4) != 0)
            throw Failure{"the Windows program has a certificate or debug directory"};

    uint32_t table = optional + optional_size;
    uint32_t headers_end = table + 40 * sections;
    if (headers_end - nt > reloc_table_at - pe_header_at)
        throw Failure{"the PE headers do not fit between offsets 64 and 960"};
    if (sections == 0)
        throw Failure{"the Windows program has no sections"};

    // sections back to back from the first RVA; raw data in one run to the end of the file
    uint32_t first_rva = get32(pe, table + 12), next_rva = first_rva;
    uint32_t raw_start = UINT32_MAX, raw_end = 0;
    for (uint32_t i = 0; i < sections; i++) {
        uint32_t s = table + 40 * i;
        uint32_t virtual_size = get32(pe, s + 8), rva = get32(pe, s + 12);
        uint32_t raw_size = get32(pe, s + 16), raw = get32(pe, s + 20);
        if (rva != next_rva)
            throw Failure{"the sections are not back to back"};
        next_rva = align_up(rva + (virtual_size ? virtual_size : raw_size), section_alignment);
        if (get32(pe, s + 24) || get32(pe, s + 28))
            throw Failure{"a section has relocations or line numbers"};
        if (raw_size) {
            raw_start = raw < raw_start ? raw : raw_start;
            raw_end = raw + raw_size > raw_end ? raw + raw_size : raw_end;
        }
    }
    if (raw_end > pe.size())
        throw Failure{"section data beyond the end of the file"};
    if (raw_end < pe.size())
        throw Failure{"data after the last section: link the Windows program with -s"};

    // SizeOfHeaders must round up to the first section's RVA
    uint32_t headers = align_up(dos_image_at + uint32_t(dos.image.size()), file_alignment);
    if (align_up(headers, section_alignment) > first_rva)
        throw Failure{"the DOS image needs the first section at RVA " +
                      hex(align_up(headers, section_alignment)) + ": link the Windows program with " +
                      "-Wl,--section-start=.text=" + hex(image_base + align_up(headers, section_alignment))};
    if (align_up(headers, section_alignment) < first_rva)
        headers = first_rva - section_alignment + file_alignment;  // pad the header area

    Bytes out(headers + (raw_end - raw_start), 0);
    // the DOS header
    uint32_t dos_size = dos_image_at + uint32_t(dos.image.size());
    for (size_t i = 0; i < dos.header.size(); i++)
        out[i] = dos.header[i];
    put16(out, 2, dos_size % 512);
    put16(out, 4, (dos_size + 511) / 512);
    put16(out, 6, uint32_t(dos.relocations.size()));
    put16(out, 8, dos_header_paragraphs);
    put16(out, 18, 0);                   // checksum
    put16(out, 24, reloc_table_at);
    put16(out, 26, 0);                   // overlay number
    put32(out, 60, pe_header_at);
    // the PE headers
    for (uint32_t i = nt; i < headers_end; i++)
        out[pe_header_at + i - nt] = pe[i];
    uint32_t moved_optional = pe_header_at + (optional - nt), moved_table = pe_header_at + (table - nt);
    put32(out, moved_optional + 60, headers);  // SizeOfHeaders
    put32(out, moved_optional + 64, 0);        // CheckSum
    for (uint32_t i = 0; i < sections; i++) {
        uint32_t s = moved_table + 40 * i;
        uint32_t raw = get32(out, s + 20);
        if (get32(out, s + 16))
            put32(out, s + 20, raw - raw_start + headers);
    }
    // the DOS relocation table and load image
    for (size_t i = 0; i < dos.relocations.size(); i++)
        put32(out, reloc_table_at + 4 * i, dos.relocations[i]);
    for (size_t i = 0; i < dos.image.size(); i++)
        out[dos_image_at + i] = dos.image[i];
    // the Windows sections
    for (uint32_t i = raw_start; i < raw_end; i++)
        out[headers + i - raw_start] = pe[i];
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::cerr << "usage: execombine WINDOWS.EXE DOS.EXE OUT.EXE\n";
        return 64;
    }
    try {
        Bytes pe = read_file(argv[1]);
        DosProgram dos = read_dos(read_file(argv[2]));
        Bytes out = combine(pe, dos);
        std::ofstream file(argv[3], std::ios::binary);
        file.write(reinterpret_cast<const char *>(out.data()), std::streamsize(out.size()));
        if (!file)
            throw Failure{std::string("cannot write ") + argv[3]};
    } catch (const Failure &f) {
        std::cerr << "execombine: " << f.what << "\n";
        return 65;
    }
    return 0;
}
