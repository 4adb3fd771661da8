// window-grab: what an X window shows, as 8-bit grey bytes on standard
// output (one byte a pixel, the green channel). Faster than ImageMagick's
// import for the end-to-end tests' "has the picture settled" polling.
//
//   window-grab WINDOW_ID [X Y WIDTH HEIGHT]
//
// Exits 1 when the window does not exist (any more).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

static int ignore_errors(Display *, XErrorEvent *) { return 0; }

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: window-grab WINDOW_ID [X Y WIDTH HEIGHT]\n");
        return 64;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(ignore_errors);
    Window window = std::strtoul(argv[1], nullptr, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return 1;
    int x = 0, y = 0, w = attributes.width, h = attributes.height;
    if (argc == 6) {
        x = std::atoi(argv[2]);
        y = std::atoi(argv[3]);
        w = std::atoi(argv[4]);
        h = std::atoi(argv[5]);
    }
    XImage *image = XGetImage(display, window, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image)
        return 1;
    std::vector<unsigned char> out(size_t(w) * size_t(h));
    for (int row = 0; row < h; row++)
        for (int col = 0; col < w; col++)
            out[size_t(row) * size_t(w) + size_t(col)] = (unsigned char)((XGetPixel(image, col, row) >> 8) & 0xFF);
    XDestroyImage(image);
    XCloseDisplay(display);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}
