/* The BMP file image of the screen. */
#include "sdl/screen_image.h"

uint8_t screen_image[screen_image_size];
