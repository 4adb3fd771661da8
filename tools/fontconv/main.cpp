// fontconv: builds the program's 8x8 CP866 font.
//
//   fontconv psf FONT.psf[.gz] [--extra HAND.txt] [--allow-missing] -o GLYPHS.txt
//       picks the glyph of every CP866 code from a console font through its
//       Unicode table; glyphs in HAND.txt (glyph text format) replace or
//       supply codes the console font lacks. Without --allow-missing a code
//       found in neither is an error.
//   fontconv bin GLYPHS.txt -o FONT.bin
//       writes the 2048-byte font table.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/fontconv/cp866.h"
#include "tools/fontconv/psf.h"
#include "host/codepages.h"
#include "host/error.h"
#include "host/glyph_text.h"

using namespace fontconv;

namespace {

int usage()
{
    std::cerr << "usage: fontconv psf FONT.psf[.gz] [--extra HAND.txt] [--allow-missing] -o GLYPHS.txt\n"
                 "       fontconv bin GLYPHS.txt -o FONT.bin\n";
    return 64;
}

// Read and parse errors are thrown as host::Error; main reports them.
std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw host::Error("cannot read " + path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_file(const std::string &path, const std::string &data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out.flush());
}

std::string base_name(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string code_point(uint32_t u)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", unsigned(u));
    std::string s = buf;
    if (u > 0x20 && u != 0x7F && u != 0xA0) {  // leave invisible ones unprinted
        s += ' ';
        host::append_utf8(s, char32_t(u));
    }
    return s;
}

std::string hex2(int c)
{
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", c);
    return buf;
}

// Copies an 8x8 glyph out of a console font whose glyphs are 8 wide.
void take_glyph(const PsfFont &psf, unsigned index, host::FontBytes &font, int code)
{
    for (unsigned r = 0; r < 8; r++)
        font[size_t(code) * 8 + r] = psf.glyphs[index][r];
}

int convert_psf(const std::string &in, const std::string &extra_path, bool allow_missing, const std::string &out)
{
    PsfFont psf;
    std::string error;
    if (!load_psf(in, psf, error)) {
        std::cerr << "fontconv: " << in << ": " << error << "\n";
        return 1;
    }
    if (psf.width != 8 || psf.height != 8) {
        std::cerr << "fontconv: " << in << ": glyphs are " << psf.width << "x" << psf.height << ", not 8x8\n";
        return 1;
    }
    host::GlyphSet extra;  // nothing present without --extra
    if (!extra_path.empty())
        extra = host::parse_glyph_set(read_file(extra_path), extra_path);

    host::FontBytes font{};
    host::GlyphComments comments;
    std::string missing;
    for (int c = 0; c < 256; c++) {
        uint32_t u = glyph_code_point(uint8_t(c));
        if (extra.present[size_t(c)]) {
            std::copy_n(&extra.font[size_t(c) * 8], 8, &font[size_t(c) * 8]);
            comments[size_t(c)] = code_point(u) + ", drawn by hand";
            std::cerr << "fontconv: @" << hex2(c) << " " << code_point(u) << " drawn by hand\n";
            continue;
        }
        auto found = psf.glyph_of.find(u);
        if (found != psf.glyph_of.end()) {
            take_glyph(psf, found->second, font, c);
            comments[size_t(c)] = code_point(u);
            continue;
        }
        bool done = false;
        for (const uint32_t *f = cp866_fallbacks(uint8_t(c)); *f && !done; f++) {
            found = psf.glyph_of.find(*f);
            if (found != psf.glyph_of.end()) {
                take_glyph(psf, found->second, font, c);
                comments[size_t(c)] = code_point(u) + ", drawn as " + code_point(*f);
                std::cerr << "fontconv: @" << hex2(c) << " " << code_point(u) << " drawn as " << code_point(*f) << "\n";
                done = true;
            }
        }
        if (done)
            continue;
        if (c == 0) {  // NUL has no symbol: it stays blank
            comments[size_t(c)] = "blank";
            continue;
        }
        missing += " @" + hex2(c) + " (" + code_point(u) + ")";
        comments[size_t(c)] = code_point(u) + ", MISSING";
    }
    if (!missing.empty()) {
        std::cerr << "fontconv: " << in << " lacks" << missing << "\n";
        if (!allow_missing)
            return 1;
    }
    std::string header = "8x8 font in CP866 order, made with\n  fontconv psf " + base_name(in);
    if (!extra_path.empty())
        header += " --extra " + base_name(extra_path);
    header += "\nSee README.md for origin and licence.\n"
              "Each glyph: \"@XX\" (CP866 code) and its Unicode character, then 8 rows,\n"
              "'#' ink, '.' background.";
    if (!write_file(out, host::write_glyph_text(font, comments, header))) {
        std::cerr << "fontconv: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}

int convert_bin(const std::string &in, const std::string &out)
{
    const host::FontBytes font = host::parse_glyph_text(read_file(in), in);
    if (!write_file(out, std::string(font.begin(), font.end()))) {
        std::cerr << "fontconv: cannot write " << out << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    std::string mode = argv[1], in = argv[2], out, extra;
    bool allow_missing = false;
    for (int i = 3; i < argc; i++) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
            out = argv[++i];
        else if (!std::strcmp(argv[i], "--extra") && i + 1 < argc && mode == "psf")
            extra = argv[++i];
        else if (!std::strcmp(argv[i], "--allow-missing") && mode == "psf")
            allow_missing = true;
        else
            return usage();
    }
    if (out.empty())
        return usage();
    try {
        if (mode == "psf")
            return convert_psf(in, extra, allow_missing, out);
        if (mode == "bin")
            return convert_bin(in, out);
    } catch (const host::Error &e) {
        std::cerr << "fontconv: " << e.what() << "\n";
        return 1;
    }
    return usage();
}
