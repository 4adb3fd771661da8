#!/usr/bin/env python3
"""Asks an X window to close the way a window manager's close button does:
a WM_DELETE_WINDOW client message.

    wm_close.py WINDOW_ID
"""
import ctypes
import sys

X = ctypes.cdll.LoadLibrary("libX11.so.6")
X.XOpenDisplay.restype = ctypes.c_void_p
X.XOpenDisplay.argtypes = [ctypes.c_char_p]
X.XInternAtom.restype = ctypes.c_ulong
X.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
X.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
X.XFlush.argtypes = [ctypes.c_void_p]
X.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


def main():
    window = int(sys.argv[1], 0)
    display = X.XOpenDisplay(None)
    if not display:
        sys.exit("wm_close: cannot open the display")
    e = Event()
    e.xclient.type = 33  # ClientMessage
    e.xclient.window = window
    e.xclient.message_type = X.XInternAtom(display, b"WM_PROTOCOLS", 0)
    e.xclient.format = 32
    e.xclient.l[0] = X.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    e.xclient.l[1] = 0  # CurrentTime
    X.XSendEvent(display, window, 0, 0, ctypes.byref(e))
    X.XFlush(display)
    X.XCloseDisplay(display)


if __name__ == "__main__":
    main()
