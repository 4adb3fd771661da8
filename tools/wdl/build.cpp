// wdl build and wdl check: a source read with every problem collected, made
// into an archive, and the archive's checks pointed back at the file (and
// line) the author has to change; or an archive checked as it is.
#include "tools/wdl/commands.h"

#include "host/error.h"
#include "tools/wdl/source_reader.h"

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

void add_finding(const Finding &f, const SourceRead &source, Diagnostics &found)
{
    const SourceMap &m = source.map;
    const std::string res = lower(f.resource);
    if (m.failed.count(res))
        return;  // its source could not be read, which was reported
    if (res != "messages" && f.index >= 0 && m.broken_items.count(size_t(f.index)))
        return;  // a stand-in for an item whose errors were reported
    const Severity s = f.error ? Severity::error : Severity::warning;
    if (res == "testinfo") {
        const size_t i = size_t(f.index);
        const Place p = f.index < 0 || i >= m.items_at.size() ? m.item_list : f.line ? m.texts_at[i] : m.items_at[i];
        found.add(s, m.manifest, p.line, p.column, f.text);
    } else if (res == "messages") {
        const bool has_line = f.index >= 0 && size_t(f.index) < source.test.messages.size();
        found.add(s, m.messages, has_line ? f.index + 1 : 0, 0, f.text);
    } else if (res == "testtext") {
        found.add(s, m.instruction, f.line, 0, f.text);
    } else if (res == "dos8x8ru") {
        found.add(s, m.font, 0, 0, f.text);
    } else if (m.pictures.count(res)) {
        found.add(s, m.pictures.at(res), 0, 0, f.text);
    } else {
        found.add(s, m.manifest, 0, 0, f.text);
    }
}

}  // namespace

std::vector<uint8_t> check_source(const std::string &source, const TextOptions &options, Diagnostics &found)
{
    const SourceRead read = read_source(source, options, found);
    if (!read.usable)
        return {};
    std::vector<Resource> resources;
    for (Resource &r : test_resources(read.test))
        if (!read.map.failed.count(lower(r.name)))
            resources.push_back(std::move(r));
    std::vector<uint8_t> bytes;
    try {
        bytes = write_archive(resources);
    } catch (const Error &e) {
        found.error(read.map.manifest, 0, 0, e.what());
        return {};
    }
    for (const Finding &f : check_archive(bytes, "the archive"))
        add_finding(f, read, found);
    return bytes;
}

std::vector<uint8_t> build_archive(const std::string &source, std::ostream &warnings)
{
    Diagnostics found;
    std::vector<uint8_t> bytes = check_source(source, TextOptions(), found);
    std::string errors;
    for (const Diagnostic &d : found.all()) {
        if (d.severity == Severity::error)
            errors += (errors.empty() ? "" : "\n") + format(d);
        else
            warnings << format(d) << "\n";
    }
    if (!errors.empty())
        throw Error(errors);
    return bytes;
}

void build_command(const std::string &source, const std::string &archive, std::ostream &report,
                   const TextOptions &options)
{
    Diagnostics found;
    const std::vector<uint8_t> bytes = check_source(source, options, found);
    for (const Diagnostic &d : found.all())
        report << format(d) << "\n";
    if (const size_t errors = found.count(Severity::error))
        throw Error(source + ": " + std::to_string(errors) + " error(s); " + archive + " was not written");
    write_file_atomic(archive, bytes);
}

bool check_command(const std::string &path, bool strict, const TextOptions &options, std::ostream &out)
{
    Diagnostics found;
    if (is_source_path(path))
        check_source(path, options, found);
    else
        for (const Finding &f : check_archive(read_file(path), path))
            found.add(f.error ? Severity::error : Severity::warning, path, 0, 0, f.text);
    print(found, path, out);
    return found.count(Severity::error) == 0 && (!strict || found.count(Severity::warning) == 0);
}

}  // namespace wdl
