// Writes a canvas as a one-bit greyscale PNG (ink black, the rest white)
// with no time stamp or other varying chunk, so equal pictures give equal
// files.
#pragma once

#include <string>

#include "tools/itemgen/canvas.h"

namespace itemgen {

bool write_png(const std::string &path, const Canvas &canvas);

}  // namespace itemgen
