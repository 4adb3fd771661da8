// libFuzzer target: any bytes as a text of a source folder (a messages line,
// the instruction, a manifest) convert to CP866 with every problem reported
// at a place inside the text, and a manifest's value places lie inside it.
#include "host/diagnostics.h"
#include "tools/wdl/json_lines.h"
#include "host/text_convert.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto text = std::make_shared<const std::string>(reinterpret_cast<const char *>(data), size);
    int lines = 1;
    for (char c : *text)
        lines += c == '\n';
    for (bool ascii : {false, true}) {
        host::Diagnostics found;
        host::TextOptions options;
        options.ascii_punctuation = ascii;
        const std::string out = host::convert_text(*text, "t", host::places_in(*text, 1, 1), options, found);
        if (!ascii && out.size() > size)
            std::abort();
        for (const host::Diagnostic &d : found.all())
            if (d.line < 1 || d.line > lines || d.column < 1)
                std::abort();
    }
    if (!nlohmann::json::accept(*text, true))
        return 0;
    const wdl::JsonLines where = wdl::json_lines(*text);
    for (const auto &kv : where.start) {
        if (kv.second > size)
            std::abort();
        if (kv.second < size && (*text)[kv.second] == '"') {
            const host::PlaceOf place = wdl::string_places(text, kv.second);
            for (size_t k = 0; k < 8; k++)
                if (place(k).line < 1 || place(k).line > lines)
                    std::abort();
        }
    }
    return 0;
}
