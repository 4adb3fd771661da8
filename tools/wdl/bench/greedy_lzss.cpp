#include "tools/wdl/bench/greedy_lzss.h"

#include <cstring>

namespace wdl_bench {

std::vector<uint8_t> greedy_encode(const std::vector<uint8_t> &input)
{
    const size_t n = input.size(), w = 4096;
    std::vector<uint8_t> s(w + n, ' ');  // the preset window, then the input
    if (n)
        std::memcpy(s.data() + w, input.data(), n);
    std::vector<int32_t> head(1 << 16, -1), prev(s.size(), -1);
    auto hash = [&](size_t p) { return (size_t(s[p]) << 8 ^ size_t(s[p + 1]) << 4 ^ s[p + 2]) & 0xFFFF; };
    auto insert = [&](size_t p) {
        if (p + 3 <= s.size()) {
            prev[p] = head[hash(p)];
            head[hash(p)] = int32_t(p);
        }
    };
    for (size_t p = w - 18; p < w; p++)
        insert(p);

    std::vector<uint8_t> out;
    size_t flag_at = 0;
    int used = 8;
    for (size_t t = w; t < s.size();) {
        if (used == 8) {
            flag_at = out.size();
            out.push_back(0);
            used = 0;
        }
        size_t best = 0, best_pos = 0;
        const size_t cap = std::min<size_t>(18, s.size() - t);
        if (cap >= 3)
            for (int32_t c = head[hash(t)]; c >= 0 && size_t(c) + w >= t; c = prev[size_t(c)]) {
                size_t l = 0;
                while (l < cap && s[size_t(c) + l] == s[t + l])
                    l++;
                if (l > best) {
                    best = l;
                    best_pos = size_t(c);
                    if (l == cap)
                        break;
                }
            }
        if (best >= 3) {
            const size_t d = t - best_pos;
            const unsigned pos = unsigned((4080 + (t - w) + w - d) % w);
            out.push_back(uint8_t(pos & 0xFF));
            out.push_back(uint8_t(((pos >> 4) & 0xF0) | unsigned(best - 3)));
            for (size_t k = 0; k < best; k++)
                insert(t + k);
            t += best;
        } else {
            out[flag_at] = uint8_t(out[flag_at] | (1u << used));
            out.push_back(s[t]);
            insert(t);
            t++;
        }
        used++;
    }
    return out;
}

}  // namespace wdl_bench
