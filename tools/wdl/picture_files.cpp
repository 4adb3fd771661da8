#include "tools/wdl/picture_files.h"

#include "host/archive_file.h"
#include "host/error.h"
#include "tools/wdl/test_source.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>

namespace wdl {

using namespace host;  // the tools' shared library

namespace {

std::string percent(size_t part, size_t whole)
{
    char buf[32];
    const double p = 100.0 * double(part) / double(whole);
    std::snprintf(buf, sizeof buf, p < 0.1 ? "less than 0.1%%" : "%.1f%%", p);
    return buf;
}

}  // namespace

PictureFolder::PictureFolder(const std::string &path) : path_(path)
{
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d))
            by_lower_[lower(e->d_name)].push_back(e->d_name);
        closedir(d);
    }
    for (auto &names : by_lower_)
        std::sort(names.second.begin(), names.second.end());
}

std::string PictureFolder::find(const std::string &name, std::string &several) const
{
    auto it = by_lower_.find(lower(name));
    if (it == by_lower_.end())
        return join_path(path_, name);
    if (it->second.size() > 1)
        for (const std::string &n : it->second)
            several += (several.empty() ? "" : ", ") + n;
    return join_path(path_, it->second.front());
}

bool read_item_picture(const std::string &file, Picture &picture, Diagnostics &found)
{
    MidTones mid;
    try {
        picture = read_png(file, picture_width, picture_height, &mid);
    } catch (const Error &e) {
        found.error_from(e, file);
        return false;
    }
    if (picture.width != picture_width || picture.height != picture_height) {
        found.error(file, 0, 0, "the picture is " + std::to_string(picture.width) + "x" +
                                    std::to_string(picture.height) + " pixels; pictures must be exactly 352x190 "
                                    "(nine 112x50 cells at a pitch of 120x70)");
        return false;
    }
    const size_t all = picture.white.size();
    if (const size_t changed = mid.to_white + mid.to_black)
        found.warning(file, 0, 0,
                      std::to_string(changed) + " pixels (" + percent(changed, all) + ") are grey or coloured "
                      "(brightness from 12% to 88%); at the threshold of 50% brightness " +
                          percent(mid.to_white, all) + " of the picture turned white and " +
                          percent(mid.to_black, all) + " black: draw in black and white only to see what the test "
                          "shows");
    return true;
}

}  // namespace wdl
