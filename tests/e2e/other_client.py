# SPDX-License-Identifier: MIT
"""Another X client, for the global-shortcut test.

  other_client.py [MODIFIERS+KEY]   a small window that can take the keyboard focus,
                                            holding the key combination (grabbed on the root
                                            window, as another program's shortcut is) when given;
                                            prints "ready" once it is, then each key it gets

It needs Tk (Debian's python3-tk) and reaches the X server in DISPLAY.
"""

import ctypes
import sys
import tkinter

MASKS = {"shift": 1, "ctrl": 4, "alt": 8}


def grab(combination):
    """Grabs the combination on the root window through Xlib, with a connection of its own
    that stays open (and the grab held) while the process lives."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XGrabKey.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_uint, ctypes.c_ulong,
                             ctypes.c_int, ctypes.c_int, ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    *modifiers, key = combination.lower().split("+")
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(key.encode()))
    mask = sum(MASKS[m] for m in modifiers)
    x11.XGrabKey(display, code, mask, x11.XDefaultRootWindow(display), 1, 1, 1)
    x11.XSync(display, 0)
    return display


def main():
    held = grab(sys.argv[1]) if len(sys.argv) > 1 else None
    root = tkinter.Tk()
    root.title("other-client")
    root.geometry("200x100+900+600")
    tkinter.Entry(root).pack()
    # Each key that reaches the window, as "ctrl+alt+n": the keys the program did not take.
    root.bind("<KeyPress>", lambda e: print("+".join(
        [m for m, bit in MASKS.items() if e.state & bit] + [e.keysym.lower()]), flush=True))
    root.update()
    print("ready", flush=True)
    root.mainloop()
    del held


if __name__ == "__main__":
    main()
