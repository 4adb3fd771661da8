/*
** The display: a UI thread that owns the only window and its message loop,
** the window procedure, full-screen switching, and opening and closing the
** display from the driver thread.
*/
#include "win32/win32.h"
#include "base/memory.h"
#include "graphics/gfx.h"
#include "frontend/key_channel.h"
#include "platform/platform.h"
#include "frontend/screen_memory.h"

HWND main_window;
int windowed_mode;
HANDLE ui_thread;

/* fixed, so registering, creating and unregistering all name the same class */
static const char class_name[] = "{5D3A9E74-2C81-4B6F-A0D9-7E14C8B25F63}";

enum {
    message_show_now = WM_APP + 1,   /* paint what is due, on the UI thread */
    window_width = 640,
    window_height = 480,
    windowed_style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    fullscreen_style = (int)(WS_POPUP | WS_VISIBLE | WS_SYSMENU)
};

static void centre_window(HWND window)
{
    RECT rect;
    rect.left = 0;
    rect.top = 0;
    rect.right = window_width;
    rect.bottom = window_height;
    AdjustWindowRect(&rect, (DWORD)GetWindowLongA(window, GWL_STYLE), FALSE);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}

enum { devmode_classic_size = 148 };

static void enter_full_screen(void)
{
    /* the classic 148-byte DEVMODEA, which every version of the display
    ** settings call accepts; newer headers declare a longer one */
    DEVMODEA mode;
    mem_fill(&mode, 0, sizeof mode);
    mode.dmSize = devmode_classic_size;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = window_width;
    mode.dmPelsHeight = window_height;
    ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);  /* a refusal is not an error */
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        if (windowed_mode)
            centre_window(window);
        else
            enter_full_screen();
        return 0;
    case WM_DESTROY:
        if (!windowed_mode)
            ChangeDisplaySettingsA(NULL, 0);
        key_quit();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        video_paint(window);
        return 0;
    case message_show_now:
        UpdateWindow(window);  /* paints at once when a repaint is due */
        return 0;
    case WM_SETCURSOR:
        if (windowed_mode)
            break;
        /* full screen: no pointer over the picture */
        SetCursor(LOWORD(lparam) == HTCLIENT ? NULL : LoadCursorA(NULL, MAKEINTRESOURCEA(32512)));
        return TRUE;
    case WM_KEYDOWN:
        if (wparam == VK_F12)
            save_screenshot();
        key_post((uint8_t)(lparam >> 16));  /* the scan code, without the extended flag */
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

DWORD WINAPI ui_thread_main(LPVOID)
{
    if (GetAsyncKeyState(VK_SHIFT))
        windowed_mode = 1;
    else
        windowed_mode = MessageBoxA(NULL, "Run in fullscreen mode?", "Confirm",
                                    MB_YESNO | MB_ICONQUESTION) == IDNO;

    HINSTANCE module = GetModuleHandleA(NULL);
    WNDCLASSEXA wc;
    mem_fill(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = module;
    wc.hIcon = LoadIconA(NULL, MAKEINTRESOURCEA(32512));     /* IDI_APPLICATION */
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512)); /* IDC_ARROW */
    wc.lpszClassName = class_name;
    if (!RegisterClassExA(&wc)) {
        key_event_signal();
        return 1;
    }

    /* WM_CREATE arrives inside this call, before main_window is stored */
    main_window = CreateWindowExA(0, class_name, "MERIDOKA",
                                  (DWORD)(windowed_mode ? windowed_style : fullscreen_style), 0, 0,
                                  window_width, window_height, NULL, NULL, module, NULL);
    key_event_signal();  /* the start-up signal */
    if (!main_window)
        return 2;

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    UnregisterClassA(class_name, module);
    main_window = NULL;
    return 0;
}

int video_open(void)
{
    if (video_is_open)
        return 2;
    int result = 0;
    /* without the event the UI thread's start could not be awaited: no display */
    if (key_event_create()) {
        DWORD id;
        ui_thread = CreateThread(NULL, 0, ui_thread_main, NULL, 0, &id);
        if (ui_thread) {
            key_event_wait();  /* the start-up signal */
            if (main_window) {
                for (int i = 0; i < screen_header_size; i++)
                    screen_image[i] = screen_header_template[i];
                screen_memory_open(screen_image + screen_header_size);
                result = 1;
            }
        }
    }
    if (!main_window) {
        if (ui_thread) {
            /* the failed UI thread is ending: let it finish before its event goes */
            WaitForSingleObject(ui_thread, INFINITE);
            CloseHandle(ui_thread);
            ui_thread = NULL;
        }
        key_event_destroy();
    }
    return result;
}

void video_close(void)
{
    if (!video_is_open)
        return;
    if (main_window)
        SendMessageA(main_window, WM_CLOSE, 0, 0);  /* returns after WM_DESTROY ran */
    DWORD code;
    if (GetExitCodeThread(ui_thread, &code) && code == STILL_ACTIVE)
        WaitForSingleObject(ui_thread, INFINITE);
    CloseHandle(ui_thread);
    ui_thread = NULL;
    key_event_destroy();
    screen_memory_close();
    /* the channel keeps its end: every later key request still reads Esc */
}

void video_repaint(void)
{
    HWND window = main_window;
    if (window)
        InvalidateRect(window, NULL, TRUE);
}

/* Returns once the UI thread has painted everything drawn so far. */
void video_wait_shown(void)
{
    HWND window = main_window;
    if (window)
        SendMessageA(window, message_show_now, 0, 0);
}
