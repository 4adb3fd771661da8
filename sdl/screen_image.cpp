/* The BMP file image of the screen and the F12 screenshot. */
#include "sdl/screen_image.h"

#include <stdio.h>
#include <unistd.h>

uint8_t screen_image[screen_image_size];

const uint8_t screen_header_template[62] = {
    'B', 'M', 0x3E, 0x96, 0x00, 0x00,  // file size 38,462
    0, 0, 0, 0,                        // reserved
    62, 0, 0, 0,                       // pixel data offset
    40, 0, 0, 0,                       // info header size
    0x80, 0x02, 0, 0,                  // width 640
    0x20, 0xFE, 0xFF, 0xFF,            // height -480: rows top to bottom
    1, 0, 1, 0,                        // one plane, one bit per pixel
    0, 0, 0, 0,                        // uncompressed
    0x00, 0x96, 0, 0,                  // image size 38,400
    0, 0, 0, 0, 0, 0, 0, 0,            // resolution
    0, 0, 0, 0, 0, 0, 0, 0,            // colours used, important
    0, 0, 0, 0,                        // index 0: black
    255, 255, 255, 0,                  // index 1: white
};

bool save_screenshot(void)
{
    char name[16];
    unsigned n = 1;
    for (;; n++) {
        if (n == 0)
            return false;  // every number taken
        snprintf(name, sizeof name, "%08u.bmp", n);
        if (access(name, F_OK) != 0)
            break;
    }
    FILE *f = fopen(name, "wb");
    if (!f)
        return false;
    size_t written = fwrite(screen_image, 1, sizeof screen_image, f);
    return fclose(f) == 0 && written == sizeof screen_image;
}
