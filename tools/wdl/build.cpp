// wdl build: a source folder into an archive, checked before it is written.
#include "tools/wdl/commands.h"

#include "tools/wdl/error.h"

namespace wdl {

std::vector<uint8_t> build_archive(const std::string &source, std::ostream &warnings)
{
    const Test test = load_source(source);
    std::vector<uint8_t> bytes = write_archive(test_resources(test));
    std::string errors;
    for (const Finding &f : check_archive(bytes, "the archive")) {
        if (f.error)
            errors += "\n  " + f.text;
        else
            warnings << "warning: " << f.text << "\n";
    }
    if (!errors.empty())
        throw Error(source + ": the test would not run as intended:" + errors);
    return bytes;
}

void build_command(const std::string &source, const std::string &archive, std::ostream &warnings)
{
    write_file_atomic(archive, build_archive(source, warnings));
}

}  // namespace wdl
