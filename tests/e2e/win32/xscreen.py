"""A small X client for the end-to-end tests: a private Xvfb server, key
presses through xdotool (XTEST, to the focused window), window lookup and
geometry, and a fast fingerprint of the whole screen through libX11."""
import ctypes
import hashlib
import os
import re
import subprocess
import time


class _XFixesCursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


def free_display(numbers, avoid=()):
    """The first display number without a server (socket or lock file)."""
    for n in numbers:
        if n in avoid:
            continue
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            return n
    raise RuntimeError("no free X display among %s" % list(numbers))


class XServer:
    ZPIXMAP = 2

    def __init__(self, number, width=1024, height=768, start=True):
        """Starts Xvfb on display `number`, or (start=False) uses the one
        already running there."""
        self.name = ":%d" % number
        self.width, self.height = width, height
        self.proc = None
        if start:
            self.proc = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "%dx%dx24" % (width, height),
                                          "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xfixes = ctypes.CDLL("libXfixes.so.3")
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_XFixesCursorImage)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        self.display = None
        deadline = time.time() + 15
        while time.time() < deadline:
            self.display = self.x11.XOpenDisplay(self.name.encode())
            if self.display:
                break
            if self.proc and self.proc.poll() is not None:
                raise RuntimeError("Xvfb %s did not start" % self.name)
            time.sleep(0.1)
        if not self.display:
            raise RuntimeError("cannot connect to Xvfb %s" % self.name)
        self.root = self.x11.XDefaultRootWindow(self.display)

    def close(self):
        if self.display:
            self.x11.XCloseDisplay(self.display)
            self.display = None
        if self.proc:
            self.proc.terminate()
            self.proc.wait(10)

    def env(self):
        return dict(os.environ, DISPLAY=self.name)

    def fingerprint(self):
        """A digest of every pixel on the screen."""
        image = self.x11.XGetImage(self.display, self.root, 0, 0, self.width, self.height,
                                   0xFFFFFFFF, self.ZPIXMAP)
        if not image:
            return None
        im = image.contents
        data = ctypes.string_at(im.data, im.bytes_per_line * im.height)
        self.x11.XFree(ctypes.c_void_p(im.data))
        self.x11.XFree(image)
        return hashlib.sha1(data).hexdigest()

    def wait_stable(self, settle=0.6, first=0.3, timeout=30.0):
        """Waits until the screen has not changed for `settle` seconds."""
        time.sleep(first)
        deadline = time.time() + timeout
        last, since = self.fingerprint(), time.time()
        while time.time() < deadline:
            time.sleep(0.08)
            now = self.fingerprint()
            if now != last:
                last, since = now, time.time()
            elif time.time() - since >= settle:
                return
        raise RuntimeError("the screen did not settle within %.0f s" % timeout)

    def pointer_visible(self):
        """Whether the pointer's current shape has any opaque pixel."""
        image = self.xfixes.XFixesGetCursorImage(self.display)
        if not image:
            raise RuntimeError("XFixes gives no cursor image")
        im = image.contents
        visible = any(im.pixels[i] >> 24 for i in range(im.width * im.height))
        self.x11.XFree(image)
        return visible

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env(), stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True).stdout

    def key(self, name):
        self.xdotool("key", name)

    def point_at(self, window):
        """Puts the pointer on the middle of a window. Without a window manager
        the X focus stays PointerRoot: a key reaches Wine only when the pointer
        is over one of its windows."""
        x, y, w, h = self.geometry(window)
        self.xdotool("mousemove", str(x + w // 2), str(y + h // 2))

    def windows(self, title):
        """Ids of the X windows whose name is exactly `title`. (xdotool does
        not find SDL's message boxes; the window tree lists them.)"""
        out = self.xdotool("search", "--name", "^%s$" % re.escape(title))
        found = [int(w) for w in out.split()]
        if not found:
            tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env(), stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True).stdout
            found = [int(m.group(1), 16) for m in re.finditer(r"^\s*(0x[0-9a-f]+) \"%s\":" % re.escape(title),
                                                             tree, re.M)]
        return found

    def wait_window(self, title, present=True, timeout=30.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self.windows(title)
            if bool(found) == present:
                return found[0] if found else None
            time.sleep(0.1)
        raise RuntimeError("window %r %s after %.0f s" % (title, "did not appear" if present else
                                                         "still there", timeout))

    def geometry(self, window):
        """(x, y, width, height) of a window, on the screen."""
        out = subprocess.run(["xwininfo", "-id", str(window)], env=self.env(), stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True).stdout

        def field(label):
            m = re.search(r"%s:\s+(-?\d+)" % label, out)
            if not m:
                raise RuntimeError("xwininfo gave no %s for window %d" % (label, window))
            return int(m.group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                field("Height"))
