#include "tools/wdl/json_lines.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

// An input iterator that remembers how far the parser has read.
class Reader {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char *;
    using reference = const char &;

    Reader(const char *p, size_t *furthest) : p_(p), base_(p), furthest_(furthest) {}
    reference operator*() const
    {
        const size_t at = size_t(p_ - base_);
        if (at > *furthest_)
            *furthest_ = at;
        return *p_;
    }
    Reader &operator++()
    {
        ++p_;
        return *this;
    }
    Reader operator++(int)
    {
        Reader old = *this;
        ++p_;
        return old;
    }
    bool operator==(const Reader &o) const { return p_ == o.p_; }
    bool operator!=(const Reader &o) const { return p_ != o.p_; }

private:
    const char *p_;
    const char *base_;
    size_t *furthest_;
};

struct Handler {
    using json = nlohmann::json;
    const std::string &text;
    size_t furthest = 0;
    JsonLines out;
    struct Level {
        bool array;
        size_t index;
        std::string key;
        std::set<std::string> keys;
    };
    std::vector<Level> stack;
    std::string pending_key;

    explicit Handler(const std::string &t) : text(t) {}

    // The parser asks for places in order: counting goes on from the last
    // one asked, so a long document is read once, not once a value.
    size_t counted_to = 0;
    int lines_before = 1;  // the line at counted_to
    int line_at(size_t pos)
    {
        pos = std::min(pos, text.size());
        if (pos < counted_to) {
            counted_to = 0;
            lines_before = 1;
        }
        for (; counted_to < pos; counted_to++)
            lines_before += text[counted_to] == '\n';
        return lines_before;
    }
    static std::string escape(const std::string &k)
    {
        std::string s;
        for (char c : k)
            s += c == '~' ? std::string("~0") : c == '/' ? std::string("~1") : std::string(1, c);
        return s;
    }
    std::string path() const
    {
        std::string p;
        for (const Level &l : stack)
            p += "/" + (l.array ? std::to_string(l.index) : escape(l.key));
        return p;
    }
    // Where the value whose last character is at `end` begins: a string
    // at its unescaped opening quote, a number or literal at its first
    // character, an object or array at its bracket.
    size_t value_start(size_t end) const
    {
        if (end >= text.size())
            return end;
        size_t at = end;
        if (text[end] == '"') {
            while (at > 0) {
                at--;
                size_t slashes = 0;
                while (at >= slashes + 1 && text[at - slashes - 1] == '\\')
                    slashes++;
                if (text[at] == '"' && slashes % 2 == 0)
                    break;
            }
            return at;
        }
        if (text[end] == '{' || text[end] == '[')
            return end;
        while (at > 0 && std::strchr("0123456789+-.eEtruefalsn", text[at - 1]))
            at--;
        return at;
    }
    // A value ends: record it under its pointer; `back` for numbers,
    // whose end the lexer only sees one character late.
    void value(size_t back = 0)
    {
        const size_t end = furthest >= back ? furthest - back : 0;
        out.line[path()] = line_at(end);
        out.start[path()] = value_start(end);
    }
    void after_value()
    {
        if (!stack.empty() && stack.back().array)
            stack.back().index++;
    }
    bool scalar(size_t back = 0)
    {
        value(back);
        after_value();
        return true;
    }
    bool null() { return scalar(); }
    bool boolean(bool) { return scalar(); }
    bool number_integer(json::number_integer_t) { return scalar(1); }
    bool number_unsigned(json::number_unsigned_t) { return scalar(1); }
    bool number_float(json::number_float_t, const std::string &) { return scalar(1); }
    bool string(std::string &) { return scalar(); }
    bool binary(json::binary_t &) { return scalar(); }
    bool start_object(std::size_t)
    {
        value();
        stack.push_back({false, 0, "", {}});
        return true;
    }
    bool key(std::string &k)
    {
        Level &l = stack.back();
        l.key = k;
        if (!l.keys.insert(k).second && out.duplicate_key.empty()) {
            out.duplicate_key = path();
            out.duplicate_line = line_at(furthest);
        }
        out.line[path()] = line_at(furthest);
        return true;
    }
    bool end_object()
    {
        stack.pop_back();
        after_value();
        return true;
    }
    bool start_array(std::size_t)
    {
        value();
        stack.push_back({true, 0, "", {}});
        return true;
    }
    bool end_array()
    {
        stack.pop_back();
        after_value();
        return true;
    }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) { return false; }
};

}  // namespace

Place place_at(const std::string &text, size_t offset)
{
    Place p{1, 1};
    size_t start = 0;
    for (size_t i = 0; i < offset && i < text.size(); i++)
        if (text[i] == '\n') {
            p.line++;
            start = i + 1;
        }
    p.column = column_of(std::string_view(text).substr(start), offset - start);
    return p;
}

PlaceOf string_places(const std::shared_ptr<const std::string> &document, size_t quote)
{
    const std::string &text = *document;
    auto raw = std::make_shared<std::vector<size_t>>();  // decoded byte -> offset in text
    size_t i = quote + 1;
    while (i < text.size() && text[i] != '"') {
        if (text[i] != '\\') {
            raw->push_back(i++);
            continue;
        }
        const size_t at = i;
        if (i + 1 < text.size() && text[i + 1] == 'u' && i + 6 <= text.size()) {
            const unsigned unit = unsigned(std::strtoul(text.substr(i + 2, 4).c_str(), nullptr, 16));
            size_t bytes = unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
            i += 6;
            if (unit >= 0xD800 && unit < 0xDC00 && text.compare(i, 2, "\\u") == 0) {
                bytes = 4;  // a surrogate pair: one character
                i += 6;
            }
            raw->insert(raw->end(), bytes, at);
        } else {
            raw->push_back(at);
            i += 2;
        }
    }
    const size_t end = i;
    return [raw, end, document](size_t offset) {
        return place_at(*document, offset < raw->size() ? (*raw)[offset] : end);
    };
}

JsonLines json_lines(const std::string &text)
{
    Handler h(text);
    Reader first(text.data(), &h.furthest), last(text.data() + text.size(), &h.furthest);
    nlohmann::json::sax_parse(first, last, &h, nlohmann::json::input_format_t::json, true, true);
    return h.out;
}

}  // namespace wdl
