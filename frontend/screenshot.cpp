/* F12 screenshots through the file layer of the platform contract. */
#include "frontend/screenshot.h"
#include "base/decimal.h"
#include "base/memory.h"
#include "platform/platform.h"

int screenshot_save(const uint8_t *image, uint32_t length)
{
    char name[16];  /* up to 10 digits, ".bmp", the zero */
    uint32_t n = 1;
    for (;;) {
        mem_move(format_uint(name, n, 8), ".bmp", 5);
        if (!file_exists(name))
            break;
        if (++n == 0)
            return 0;  /* every number is taken */
    }
    FileHandle f = file_open(name, "wb");
    if (!f)
        return 0;
    uint32_t written = file_write(image, 1, length, f);
    return file_close(f) == 0 && written == length;
}
