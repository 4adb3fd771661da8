/* The BMP file image of the screen and the F12 screenshot. */
#include "sdl/screen_image.h"

#include <stdio.h>
#include <unistd.h>

uint8_t screen_image[screen_image_size];

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
