#include "tools/itemgen/png_write.h"

#include "host/error.h"
#include "host/mono_png.h"

namespace itemgen {

bool write_png(const std::string &path, const Canvas &canvas)
{
    host::Picture picture;
    picture.width = canvas.width();
    picture.height = canvas.height();
    picture.white.resize(size_t(canvas.width()) * size_t(canvas.height()));
    for (int y = 0; y < canvas.height(); y++)
        for (int x = 0; x < canvas.width(); x++)
            picture.white[size_t(y) * size_t(canvas.width()) + size_t(x)] = !canvas.ink(x, y);
    try {
        host::write_png(path, picture, true);
        return true;
    } catch (const host::Error &) {
        return false;
    }
}

}  // namespace itemgen
