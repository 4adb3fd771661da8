// Where each value of a JSON document sits: the line of every value and
// object key, by JSON pointer ("/items/3/text"), so that errors about the
// manifest's contents can name its lines. Also reports duplicate keys,
// which ordinary parsing silently merges.
#pragma once

#include "host/text_convert.h"

#include <map>
#include <memory>
#include <string>

namespace wdl {

using namespace host;  // the tools' shared library

struct JsonLines {
    std::map<std::string, int> line;     // pointer -> 1-based line
    std::map<std::string, size_t> start;  // pointer -> byte offset where the value begins
    std::string duplicate_key;        // pointer of the first repeated key, if any
    int duplicate_line = 0;
    int at(const std::string &pointer) const
    {
        auto it = line.find(pointer);
        return it == line.end() ? 0 : it->second;
    }
};

// The text must already be known to parse (comments allowed).
JsonLines json_lines(const std::string &text);

// Line and column (in characters) of a byte offset of the text.
Place place_at(const std::string &text, size_t offset);
// Where each byte of a string value's decoded text lies in the document:
// `quote` is the offset of its opening quote (JsonLines::start).
PlaceOf string_places(const std::shared_ptr<const std::string> &text, size_t quote);

}  // namespace wdl
