/*
** The screen image (a whole BMP file around the screen buffer), painting
** it into the window, and saving it on F12.
*/
#include "win32/win32.h"
#include "frontend/screenshot.h"

/* zero until video_open copies the header in: a paint before that draws nothing */
uint8_t screen_image[screen_image_size];

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

void save_screenshot(void) { screenshot_save(screen_image, screen_image_size); }
