/*
** Shared state of the Windows front end: the display window and its UI
** thread, the screen image that is painted and saved, and the key channel
** that carries key presses from the UI thread to the test driver.
*/
#ifndef MERIDOKA_WIN32_H
#define MERIDOKA_WIN32_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <stdint.h>

#include "platform/screen_bmp.h"
#include "platform/key_word.h"

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

/* Key channel (keys.cpp), on the word of platform/key_word.h. */
extern uint32_t key_state;
extern HANDLE key_event;
void key_post(LPARAM lparam);   /* WM_KEYDOWN */
void key_quit(void);            /* WM_DESTROY */
bool key_drain_pending(void);
uint32_t key_wait(void);

#endif
