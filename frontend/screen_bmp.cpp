/* The BMP header in front of every displayed or saved screen. */
#include "frontend/screen_bmp.h"

const uint8_t screen_header_template[screen_header_size] = {
    'B', 'M', 0x3E, 0x96, 0x00, 0x00,   /* file size 38,462 */
    0, 0, 0, 0, 62, 0, 0, 0,            /* reserved, pixel data at 62 */
    40, 0, 0, 0,                        /* info header size */
    0x80, 0x02, 0x00, 0x00,             /* width 640 */
    0x20, 0xFE, 0xFF, 0xFF,             /* height -480: rows top to bottom */
    1, 0, 1, 0,                         /* one plane, one bit per pixel */
    0, 0, 0, 0,                         /* uncompressed */
    0x00, 0x96, 0x00, 0x00,             /* image size 38,400 */
    0, 0, 0, 0, 0, 0, 0, 0,             /* no resolution */
    0, 0, 0, 0, 0, 0, 0, 0,             /* all colours used and important */
    0x00, 0x00, 0x00, 0x00,             /* index 0: black */
    0xFF, 0xFF, 0xFF, 0x00              /* index 1: white */
};
