// The items' picture files: found whatever the case of their names' letters,
// and read as one-bit pictures with what the reading changed reported.
#pragma once

#include "host/diagnostics.h"
#include "host/mono_png.h"

#include <map>
#include <string>
#include <vector>

namespace wdl {

using namespace host;  // the tools' shared library

class PictureFolder {
public:
    explicit PictureFolder(const std::string &path);
    // The file called `name` in any case of letters, or the name itself when
    // there is none (reading then says so); `several` lists the files when
    // more than one answer to the name.
    std::string find(const std::string &name, std::string &several) const;

private:
    std::string path_;
    std::map<std::string, std::vector<std::string>> by_lower_;
};

// A picture of an item, 352x190: false, with an error, when it cannot be
// used; a warning when grey or coloured pixels were made black or white.
bool read_item_picture(const std::string &file, Picture &picture, Diagnostics &found);

}  // namespace wdl
