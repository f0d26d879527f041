#!/usr/bin/env python3
"""Asks a window to close, as a window manager does when the user clicks its
close button: a WM_DELETE_WINDOW client message.

  close_request.py WINDOW_ID

The test servers run no window manager, and xdotool's windowclose destroys
the window instead of asking. Talks to libX11 directly.
"""
import ctypes
import sys

CLIENT_MESSAGE = 33


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong),
                ('message_type', ctypes.c_ulong), ('format', ctypes.c_int),
                ('data', ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [('client', ClientMessageEvent), ('pad', ctypes.c_long * 24)]


def client_message(window, message_type, first=0):
    """A client message of 32-bit words about WINDOW, the first word FIRST."""
    event = Event()
    event.client.type = CLIENT_MESSAGE
    event.client.window = window
    event.client.message_type = message_type
    event.client.format = 32
    event.client.data[0] = first
    return event


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    x11 = ctypes.CDLL('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        print('close_request.py: cannot open the display', file=sys.stderr)
        return 1
    window = int(argv[1], 0)
    event = client_message(window, x11.XInternAtom(display, b'WM_PROTOCOLS', 0),
                           x11.XInternAtom(display, b'WM_DELETE_WINDOW', 0))
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
