#!/usr/bin/env python3
"""Switches the X server's key auto-repeat on or off, or reports it.

  autorepeat.py on|off [KEYSYM]    all keys, or only the one key
  autorepeat.py show

Xvfb repeats a held key like a real keyboard (660 ms, then every 40 ms), so
a test that holds a key gets a stream of key-down messages. Tests switch it
off when they hold a key only to see its effect, not to make repeats. Talks
to libX11 directly, so no X utilities are needed.
"""
import ctypes
import sys

XKB_USE_CORE_KBD = 0x0100
KB_KEY = 1 << 6
KB_AUTO_REPEAT_MODE = 1 << 7


class KeyboardControl(ctypes.Structure):
    _fields_ = [('key_click_percent', ctypes.c_int), ('bell_percent', ctypes.c_int),
                ('bell_pitch', ctypes.c_int), ('bell_duration', ctypes.c_int),
                ('led', ctypes.c_int), ('led_mode', ctypes.c_int),
                ('key', ctypes.c_int), ('auto_repeat_mode', ctypes.c_int)]


def main(argv):
    if not (len(argv) == 2 and argv[1] in ('on', 'off', 'show') or
            len(argv) == 3 and argv[1] in ('on', 'off')):
        print(__doc__)
        return 2
    x11 = ctypes.CDLL('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    for name in ('XAutoRepeatOn', 'XAutoRepeatOff', 'XFlush', 'XSync', 'XCloseDisplay'):
        getattr(x11, name).argtypes = [ctypes.c_void_p] + ([ctypes.c_int] if name == 'XSync' else [])
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XChangeKeyboardControl.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(KeyboardControl)]
    x11.XkbGetAutoRepeatRate.argtypes = [ctypes.c_void_p, ctypes.c_uint,
                                         ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint)]
    display = x11.XOpenDisplay(None)
    if not display:
        print('autorepeat.py: cannot open the display', file=sys.stderr)
        return 1
    if len(argv) == 3:
        keycode = x11.XKeysymToKeycode(display, x11.XStringToKeysym(argv[2].encode()))
        if not keycode:
            print(f'autorepeat.py: no key for {argv[2]}', file=sys.stderr)
            return 1
        control = KeyboardControl(key=keycode, auto_repeat_mode=1 if argv[1] == 'on' else 0)
        x11.XChangeKeyboardControl(display, KB_KEY | KB_AUTO_REPEAT_MODE, ctypes.byref(control))
    elif argv[1] == 'on':
        x11.XAutoRepeatOn(display)
    elif argv[1] == 'off':
        x11.XAutoRepeatOff(display)
    else:
        delay, interval = ctypes.c_uint(), ctypes.c_uint()
        x11.XkbGetAutoRepeatRate(display, XKB_USE_CORE_KBD, ctypes.byref(delay), ctypes.byref(interval))
        print(f'auto-repeat after {delay.value} ms, every {interval.value} ms')
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
