// Reading a source folder with every problem collected, and where each part
// of the test came from, so that the checks on the archive can point at the
// file, line and column an author has to change.
#pragma once

#include "host/diagnostics.h"
#include "tools/wdl/test_source.h"
#include "host/text_convert.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

struct SourceMap {
    std::string manifest, font, messages, instruction;
    std::map<std::string, std::string> pictures;  // resource name in lower case -> file
    std::vector<Place> items_at;                  // per item: its object in the manifest
    std::vector<Place> texts_at;                  // per item: its "text" (or the object)
    Place item_list;                              // the "items" list
    // Resources (lower case) whose source failed: their place in the archive
    // is empty and what the checks say about it was said already.
    std::set<std::string> failed;
    std::set<size_t> broken_items;  // items that could not be read: stand-ins in Test::items
};

struct SourceRead {
    Test test;
    SourceMap map;
    bool usable = false;  // the items could be read: the archive can be made and checked
};

// Errors make no archive, but reading goes on past them: a bad item stands
// in the item list as a placeholder whose findings are left out, a text
// with characters CP866 lacks is converted with '?' for them.
SourceRead read_source(const std::string &folder_or_manifest, const TextOptions &options, Diagnostics &found);

// A folder or a file whose name ends in ".json" (any case) is a source.
bool is_source_path(const std::string &path);

}  // namespace wdl
