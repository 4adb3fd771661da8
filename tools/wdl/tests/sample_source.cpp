#include "tools/wdl/tests/sample_source.h"

#include "host/archive_file.h"
#include "tools/wdl/commands.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace wdl_test {

TempDir::TempDir()
{
    char tmpl[] = "/tmp/wdl-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp");
    path = tmpl;
}

TempDir::~TempDir()
{
    const std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) {
    }
}

wdl::FontBytes sample_font()
{
    wdl::FontBytes f{};
    for (int c = 0; c < 256; c++)
        for (int r = 0; r < 8; r++)
            f[size_t(c) * 8 + size_t(r)] = c == 0x20 ? 0 : c == 0xDB ? 0xFF : uint8_t(((c * 37 + r * 11) ^ (c >> 1)) | 0x81);
    return f;
}

wdl::Picture sample_picture(int seed, uint16_t cells)
{
    wdl::Picture p;
    p.width = picture_width;
    p.height = picture_height;
    p.white.assign(size_t(p.width) * size_t(p.height), 1);
    for (int c = 0; c < 9; c++) {
        const int x0 = 120 * (c % 3), y0 = 70 * (c / 3);
        const int code = seed * 16 + c + 1;  // drawn as bars: no two cells alike
        for (int y = 0; y < 50; y++)
            for (int x = 0; x < 112; x++) {
                const bool frame = x == 0 || y == 0 || x == 111 || y == 49;
                const bool stripes = (x / 4 + y / 4 + seed + c) % 7 == 0 && x > 10 && x < 100 && y > 8 && y < 26;
                const bool bar = y >= 30 && y < 40 && x >= 12 && (x - 12) % 8 < 6 && (x - 12) / 8 < 10 &&
                                 ((code >> ((x - 12) / 8)) & 1);
                if (frame || (((cells >> c) & 1) && (stripes || bar)))
                    p.white[size_t(y0 + y) * size_t(p.width) + size_t(x0 + x)] = 0;
            }
    }
    return p;
}

void write_text(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<uint8_t> build(const std::string &source)
{
    std::ostringstream warnings;
    return wdl::build_archive(source, warnings);
}

std::string read_text(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void replace_in(const std::string &path, const std::string &from, const std::string &to)
{
    std::string text = read_text(path);
    const size_t at = text.find(from);
    if (at == std::string::npos)
        ADD_FAILURE() << "not in " << path << ": " << from;
    if (at != std::string::npos)
        write_text(path, text.replace(at, from.size(), to));
}

bool file_exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> files_in(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

void write_sample_source(const std::string &dir, int items)
{
    mkdir((dir + "/pictures").c_str(), 0755);
    write_text(dir + "/font.txt", wdl::write_glyph_text(sample_font()));
    write_text(dir + "/messages.txt",
               "Тест: дополни картинку\r\nЦифра - выбор, Enter - ответ\\nEsc - выход ║\nНеверно!\nРезультаты\nИтого:\n"
               "Нажмите любую клавишу\n");
    write_text(dir + "/instruction.txt", "Инструкция\r\n\r\nВыберите часть, которая дополняет картинку.\r\n");
    std::string json = "{\n  \"font\": \"font.txt\",\n  \"instruction\": \"instruction.txt\",\n"
                       "  \"messages\": \"messages.txt\",\n  \"items\": [\n";
    for (int i = 0; i < items; i++) {
        const std::string name = "T0" + std::to_string(i + 1);
        const int empty = (i * 4) % 9;
        const uint16_t cells = i % 2 ? 273 : 0x1FF;
        wdl::write_png(dir + "/pictures/" + name + "0.png", sample_picture(2 * i, uint16_t(0x1FF & ~(1u << empty))));
        wdl::write_png(dir + "/pictures/" + name + "1.png", sample_picture(2 * i + 1, cells));
        json += "    {\"name\": \"" + name + "\", \"answer\": " + std::to_string(1 + i % 3) +
                (i % 2 ? ", \"mask\": 273" : ", \"cells\": [1, 2, 3, 4, 5, 6, 7, 8, 9]") +
                ", \"empty\": " + std::to_string(1 + empty) + ", \"text\": \"Задание " + std::to_string(i + 1) +
                "\"}" + (i + 1 < items ? "," : "") + "\n";
    }
    json += "  ]\n}\n";
    write_text(dir + "/test.json", json);
}

}  // namespace wdl_test
