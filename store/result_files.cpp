#include "store/result_files.h"

#include <cstdint>
#include <filesystem>

namespace store {

namespace {

uint64_t fnv1a64(std::string_view bytes, uint64_t h = 0xcbf29ce484222325ull)
{
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string upper(std::string s)
{
    for (char &c : s)
        c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
}

}  // namespace

std::string result_file_participant(const std::string &path)
{
    namespace fs = std::filesystem;
    const fs::path p(path);
    const std::string stem = p.stem().string(), u = upper(stem);
    if (u != "RESULT-W" && u != "RESULT-D")
        return stem;
    return fs::absolute(p).parent_path().filename().string();
}

std::string result_file_session(const std::string &participant, std::string_view bytes)
{
    uint64_t h = fnv1a64(bytes, fnv1a64(participant + '\0'));
    static const char digits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; i--, h >>= 4)
        hex[size_t(i)] = digits[h & 15];
    return hex;
}

}  // namespace store
