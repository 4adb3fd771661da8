#include "tools/fontconv/psf.h"

#include <zlib.h>

namespace fontconv {
namespace {

uint32_t le32(const std::vector<uint8_t> &d, size_t at)
{
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24;
}

// Only single code points name a glyph; sequences (after the separator)
// are combining forms we have no use for, so they are skipped.
bool parse_psf1_table(const std::vector<uint8_t> &d, size_t at, PsfFont &font)
{
    for (unsigned g = 0; g < font.glyphs.size(); g++) {
        bool in_sequence = false;
        for (;;) {
            if (at + 2 > d.size())
                return false;
            uint32_t u = d[at] | d[at + 1] << 8;
            at += 2;
            if (u == 0xFFFF)
                break;
            if (u == 0xFFFE)
                in_sequence = true;
            else if (!in_sequence)
                font.glyph_of.emplace(u, g);
        }
    }
    return true;
}

bool parse_psf2_table(const std::vector<uint8_t> &d, size_t at, PsfFont &font)
{
    for (unsigned g = 0; g < font.glyphs.size(); g++) {
        bool in_sequence = false;
        for (;;) {
            if (at >= d.size())
                return false;
            uint8_t b = d[at];
            if (b == 0xFF) {
                at++;
                break;
            }
            if (b == 0xFE) {
                in_sequence = true;
                at++;
                continue;
            }
            // one UTF-8 sequence
            unsigned len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
            if (len == 0 || at + len > d.size())
                return false;
            uint32_t u = len == 1 ? b : b & (0x7F >> len);
            for (unsigned i = 1; i < len; i++)
                u = u << 6 | (d[at + i] & 0x3F);
            at += len;
            if (!in_sequence)
                font.glyph_of.emplace(u, g);
        }
    }
    return true;
}

}  // namespace

bool parse_psf(const std::vector<uint8_t> &d, PsfFont &font, std::string &error)
{
    font = PsfFont();
    size_t data_at, count;
    bool has_table, v2;
    if (d.size() >= 4 && d[0] == 0x36 && d[1] == 0x04) {
        v2 = false;
        count = (d[2] & 1) ? 512 : 256;
        has_table = (d[2] & 6) != 0;
        font.width = 8;
        font.height = d[3];
        data_at = 4;
    } else if (d.size() >= 32 && le32(d, 0) == 0x864AB572u) {
        v2 = true;
        data_at = le32(d, 8);
        has_table = le32(d, 12) & 1;
        count = le32(d, 16);
        font.height = le32(d, 24);
        font.width = le32(d, 28);
        if (le32(d, 20) != font.height * ((font.width + 7) / 8)) {
            error = "inconsistent glyph size in the PSF2 header";
            return false;
        }
    } else {
        error = "not a PSF font";
        return false;
    }
    font.bytes_per_row = (font.width + 7) / 8;
    size_t size = font.bytes_per_row * font.height;
    if (size == 0 || count == 0 || count > 65536 || data_at + count * size > d.size()) {
        error = "PSF glyph data is truncated";
        return false;
    }
    for (size_t g = 0; g < count; g++)
        font.glyphs.emplace_back(d.begin() + long(data_at + g * size), d.begin() + long(data_at + (g + 1) * size));
    if (!has_table) {
        error = "the PSF font has no Unicode table";
        return false;
    }
    size_t table_at = data_at + count * size;
    if (!(v2 ? parse_psf2_table(d, table_at, font) : parse_psf1_table(d, table_at, font))) {
        error = "the PSF Unicode table is truncated";
        return false;
    }
    return true;
}

bool load_psf(const std::string &path, PsfFont &font, std::string &error)
{
    gzFile f = gzopen(path.c_str(), "rb");  // reads plain files as they are
    if (!f) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> data;
    uint8_t buf[16384];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0)
        data.insert(data.end(), buf, buf + n);
    bool ok = n == 0;
    gzclose(f);
    if (!ok) {
        error = "cannot read " + path;
        return false;
    }
    return parse_psf(data, font, error);
}

}  // namespace fontconv
