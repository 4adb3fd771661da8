/*
** Shared state of the Windows front end: the display window and its UI
** thread, the screen image that is painted and saved, and the event of the
** key channel that carries key presses from the UI thread to the driver.
*/
#ifndef MERIDOKA_WIN32_H
#define MERIDOKA_WIN32_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <stdint.h>

#include "frontend/screen_bmp.h"

enum { screen_info_offset = 14 };  /* BITMAPINFOHEADER inside the image */

/* The screen buffer inside a complete top-down one-bit BMP file. */
extern uint8_t screen_image[screen_image_size];

/* Display (display.cpp). */
extern HWND main_window;
extern int windowed_mode;
extern HANDLE ui_thread;
DWORD WINAPI ui_thread_main(LPVOID parameter);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

/* Painting and screenshots (paint.cpp). */
void video_paint(HWND window);
void save_screenshot(void);

/* The key channel's event (key_event.cpp; frontend/key_channel.h). */
extern HANDLE key_event;

#endif
