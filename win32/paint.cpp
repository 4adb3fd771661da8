/*
** The screen image (a whole BMP file around the screen buffer), painting
** it into the window, and saving it on F12.
*/
#include "win32/win32.h"

/* zero until video_open copies the header in: a paint before that draws nothing */
uint8_t screen_image[screen_image_size];

const uint8_t screen_header_template[screen_header_size] = {
    'B', 'M', 0x3E, 0x96, 0x00, 0x00,   /* file size 38462 */
    0, 0, 0, 0, 62, 0, 0, 0,            /* reserved, pixel data at 62 */
    40, 0, 0, 0,                        /* info header size */
    0x80, 0x02, 0x00, 0x00,             /* width 640 */
    0x20, 0xFE, 0xFF, 0xFF,             /* height -480: rows top to bottom */
    1, 0, 1, 0,                         /* one plane, one bit per pixel */
    0, 0, 0, 0,                         /* uncompressed */
    0x00, 0x96, 0x00, 0x00,             /* image size 38400 */
    0, 0, 0, 0, 0, 0, 0, 0,             /* no resolution */
    0, 0, 0, 0, 0, 0, 0, 0,             /* all colours used and important */
    0x00, 0x00, 0x00, 0x00,             /* index 0: black */
    0xFF, 0xFF, 0xFF, 0x00              /* index 1: white */
};

void video_paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    HDC memory = CreateCompatibleDC(dc);
    const BITMAPINFOHEADER *info = (const BITMAPINFOHEADER *)(screen_image + screen_info_offset);
    HBITMAP bitmap = CreateDIBitmap(dc, info, CBM_INIT, screen_image + screen_header_size,
                                    (const BITMAPINFO *)info, DIB_RGB_COLORS);
    if (bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        RECT client;
        GetClientRect(window, &client);
        BitBlt(dc, client.left, client.top, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    /* always ended, so the update region is validated even when nothing was drawn */
    DeleteDC(memory);
    EndPaint(window, &ps);
}

void save_screenshot(void)
{
    /* the lowest free number, so a gap left by a deleted file is filled first */
    char name[16];
    uint32_t n = 1;
    for (;;) {
        wsprintfA(name, "%08u.bmp", n);
        if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES)
            break;
        if (++n == 0)
            return;
    }
    HANDLE f = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(f, screen_image, screen_image_size, &written, NULL);
    CloseHandle(f);
}
