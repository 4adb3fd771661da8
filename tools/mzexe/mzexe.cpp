// mzexe: wraps a flat real-mode load image into an MS-DOS .EXE file.
//
//   mzexe IMAGE OUT.EXE --reloc OFFSET --data-para P --sp SP [--ip IP]
//
// IMAGE is the load image (code at offset 0, the data segment from paragraph
// P on). OFFSET is the image offset of the one word that holds the data
// segment's paragraph (relative to the load segment; DOS adds the load
// segment). SS:SP starts at P:SP, and the stack is the last thing the program
// needs: the header asks DOS for memory up to P:SP at least, and for all
// there is at most (the program gives back what it does not use).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t header_bytes = 32;   // 28-byte header + one relocation entry
constexpr uint32_t max_image = 0x9FFF0; // below the 640 KB line with room for the PSP

void put16(std::vector<uint8_t> &out, size_t at, uint32_t value)
{
    out[at] = uint8_t(value);
    out[at + 1] = uint8_t(value >> 8);
}

bool parse_number(const char *text, uint32_t &value)
{
    char *end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (!*text || *end || v > 0xFFFFFFFFul)
        return false;
    value = uint32_t(v);
    return true;
}

int usage()
{
    std::cerr << "usage: mzexe IMAGE OUT.EXE --reloc OFFSET --data-para P --sp SP [--ip IP]\n";
    return 64;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    uint32_t reloc = 0, data_para = 0, sp = 0, ip = 0;
    bool have_reloc = false, have_para = false, have_sp = false;
    for (int i = 3; i < argc; i++) {
        if (i + 1 >= argc)
            return usage();
        uint32_t *target = nullptr;
        if (!std::strcmp(argv[i], "--reloc")) {
            target = &reloc;
            have_reloc = true;
        } else if (!std::strcmp(argv[i], "--data-para")) {
            target = &data_para;
            have_para = true;
        } else if (!std::strcmp(argv[i], "--sp")) {
            target = &sp;
            have_sp = true;
        } else if (!std::strcmp(argv[i], "--ip")) {
            target = &ip;
        } else {
            return usage();
        }
        if (!parse_number(argv[++i], *target))
            return usage();
    }
    if (!have_reloc || !have_para || !have_sp)
        return usage();

    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "mzexe: cannot read " << argv[1] << "\n";
        return 66;
    }
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    uint32_t size = uint32_t(image.size());
    uint32_t memory_end = data_para * 16 + sp;  // the initial stack top
    if (size == 0 || size > max_image || data_para > 0xFFFF || memory_end > max_image + 0x10000 ||
        size > memory_end) {
        std::cerr << "mzexe: image of " << size << " bytes does not fit the layout\n";
        return 65;
    }
    if (reloc + 2 > size || reloc > 0xFFFF || ip > 0xFFFF || sp > 0xFFFF || (sp & 1)) {
        std::cerr << "mzexe: relocation, entry or stack outside the image\n";
        return 65;
    }
    if (uint32_t(image[reloc] | image[reloc + 1] << 8) != data_para) {
        std::cerr << "mzexe: the word at the relocation offset is not the data paragraph\n";
        return 65;
    }

    uint32_t file_size = header_bytes + size;
    uint32_t extra_paragraphs = (memory_end - size + 15) / 16;
    std::vector<uint8_t> header(header_bytes, 0);
    header[0] = 'M';
    header[1] = 'Z';
    put16(header, 2, file_size % 512);              // bytes in the last page
    put16(header, 4, (file_size + 511) / 512);      // pages
    put16(header, 6, 1);                            // relocation entries
    put16(header, 8, header_bytes / 16);            // header paragraphs
    put16(header, 10, extra_paragraphs);            // minimum extra memory
    put16(header, 12, 0xFFFF);                      // maximum extra memory
    put16(header, 14, data_para);                   // SS, relative
    put16(header, 16, sp);
    put16(header, 20, ip);
    put16(header, 22, 0);                           // CS, relative
    put16(header, 24, 28);                          // relocation table offset
    put16(header, 28, reloc);                       // entry: offset, segment 0
    put16(header, 30, 0);

    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char *>(header.data()), std::streamsize(header.size()));
    out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    if (!out) {
        std::cerr << "mzexe: cannot write " << argv[2] << "\n";
        return 73;
    }
    return 0;
}
