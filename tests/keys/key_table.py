#!/usr/bin/env python3
"""The key table, sent to the key probe under our Linux layer and under Wine.

  key_table.py LINUX_PROBE WINE_LOADER WINDOWS_PROBE OTHER_WINDOW
  key_table.py LINUX_PROBE OTHER_WINDOW       (our Linux layer alone)

Runs each probe in turn on the current display, sends both the same X key
events through the X server's test extension (XTest) and compares what
their window procedures received, row by row: every key of the table alone and with Shift, Alt, AltGr and Ctrl,
NumLock on and off for the keypad, then a keypad key released after NumLock
changed, keys held while Alt goes down, and keys held while the focus goes
to OTHER_WINDOW, given by us and by the window manager's Alt+Tab (a window
manager that switches windows on Alt+Tab runs on the display). The probe
hands each message to the demo's own window procedure and writes down the
keys it holds: on every row, of either probe, each key held must be let go
by the row's end. Prints the table and ends with status 1 on any difference
that is not expected below, or any key left held.

Keys are sent by keycode, with no modifiers added. The keycodes are the
evdev ones of Xvfb; the layout is the caller's, German
(setxkbmap de): "+" and "-" are keys of their own there, and AltGr types
"~" and an en dash on them, the same in Windows-1251 and in Wine's code page.

Under Wine each key press, and each change of the focus, waits until the
probe has handled it. Wine's X driver makes a key's character only when the
program translates the key's message (TranslateMessage), from the modifiers
of the last X key event it has read by then (X11DRV_ToUnicodeEx and its
AltGrMask), not from those the key went down with. A probe that falls
behind, as on a busy machine, reads the next rows' events first: AltGr+"+"
then types "+", Ctrl+Space with a later row's Alt a NUL. So does a late
WM_TAKE_FOCUS, handled after the focus went on, which takes it back. The
pointer's move tells when the probe has caught up (wait_for_probe): Wine
queues it behind the keys before it, and the probe gets it only after their
messages and characters; a move changes no modifiers. Our layer gets each
character with its X event and needs no wait (nor sends the move).
"""
import ctypes
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'support'))
from close_request import Event, client_message  # noqa: E402  an X client message, as libX11 lays it out

# Seconds after each key event. Without a pause some releases went missing,
# under our layer and under Wine alike; 2 ms was enough in repeated runs, 3
# leaves a margin.
DELAY = 0.003
SEPARATOR = 96  # F12 between rows: its own messages close a row
SHIFT, CTRL, ALT, ALTGR, NUMLOCK, KP8, LEFT, UP, SPACE, TAB, F4 = 50, 37, 64, 108, 77, 80, 113, 111, 65, 23, 70

KEYS = [('Left', LEFT), ('Up', UP), ('Right', 114), ('Down', 116), ('F1', 67), ('F2', 68), ('F3', 69),
        ('Space', SPACE), ('Escape', 9),
        ('+', 35), ('-', 61)]
KEYPAD = [('KP0', 90), ('KP1', 87), ('KP2', 88), ('KP3', 89), ('KP4', 83), ('KP5', 84), ('KP6', 85),
          ('KP7', 79), ('KP8', KP8), ('KP9', 81), ('KP.', 91), ('KP+', 86), ('KP-', 82), ('KP*', 63),
          ('KP/', 106), ('KPEnter', 104)]
MODIFIERS = [('', None), ('Shift', SHIFT), ('Alt', ALT), ('AltGr', ALTGR), ('Ctrl', CTRL)]


def down(code):
    return [(code, True)]


def up(code):
    return [(code, False)]


def rows():
    """(label, steps) for every row; a step is a list of key events (keycode,
    whether it goes down), or 'away' and 'back' for the focus going to the
    other window and coming back, or 'switch' for Alt+Tab. F4 comes last: with Alt it closes the
    window and ends the probe."""
    table = []

    def add(keys, suffix=''):
        for name, code in keys:
            for modifier, modifier_code in MODIFIERS:
                events = down(code) + up(code)
                if modifier_code:
                    events = down(modifier_code) + events + up(modifier_code)
                table.append(((modifier + '+' if modifier else '') + name + suffix, [events]))

    add(KEYS)
    add(KEYPAD, ' NumLock off')
    table.append(('NumLock on', [down(NUMLOCK) + up(NUMLOCK)]))
    add(KEYPAD, ' NumLock on')
    # Before the keypad keys released after NumLock changed: under Windows
    # the key each went down as then stays held until the focus goes (the
    # row after them), and Up would come with the previous-state bit.
    table.append(('Up, Space held, Alt down, both up', [down(UP) + down(SPACE) + down(ALT) + up(UP) + up(SPACE)
                                                        + up(ALT)]))
    table.append(('Left, Space, Alt held while the focus goes away',
                  [down(LEFT) + down(SPACE) + down(ALT), 'away', up(LEFT) + up(SPACE) + up(ALT), 'back']))
    table.append(('Up, Space held over Alt+Tab', [down(UP) + down(SPACE), 'switch', up(UP) + up(SPACE), 'back']))
    toggled = down(KP8) + down(NUMLOCK) + up(NUMLOCK) + up(KP8)
    table.append(('KP8 down, NumLock off, KP8 up', [toggled]))
    table.append(('KP8 down, NumLock on, KP8 up', [toggled]))
    table.append(('NumLock off', [down(NUMLOCK) + up(NUMLOCK)]))
    table.append(('Left held while the focus goes away', [down(LEFT), 'away', up(LEFT), 'back']))
    add([('F4', F4)])
    table.append(table.pop(-3))  # Alt+F4
    return table


# The differences expected, each with its reason: (rows, name, how the two
# message lists are brought to a common form). A row that still differs
# after its rule fails.

def fields(line):
    return line.split()


def altgr_key(linux, wine):
    """The AltGr key's own messages. Wine's X driver gives the key a code of
    its own choosing (any unassigned one); Windows sends Ctrl and Alt for it.
    Ours cannot tell it from the right Alt when it goes down: a system key
    down, a key up. What matters is compared: everything in between."""
    ours = (len(linux) >= 2 and fields(linux[0])[:2] == ['WM_SYSKEYDOWN', '0x12']
            and fields(linux[-1])[:2] == ['WM_KEYUP', '0x12'])
    theirs = (len(wine) >= 2 and fields(wine[0])[0] == 'WM_KEYDOWN' and fields(wine[-1])[0] == 'WM_KEYUP'
              and fields(wine[0])[1] == fields(wine[-1])[1])
    return (linux[1:-1], wine[1:-1]) if ours and theirs else (linux, wine)


def wine_keypad_text_with_ctrl(linux, wine):
    """Wine's X driver drops X's character for Ctrl with a digit or symbol
    ("more areas where X returns characters but Windows does not", its
    source says), but only for the main keys: for the keypad's, X's own
    character or control code reaches the program. Ours types none."""
    return linux, [line for line in wine if fields(line)[0] != 'WM_CHAR']


def mend_key_up_code(linux, wine):
    """Announced mend: a key comes up with the code it went down with. Wine,
    like Windows, computes it anew from NumLock, and a keypad 8 pressed as Up
    would leave Up held for good."""
    if fields(linux[-1])[1] != fields(linux[0])[1]:
        return linux, wine
    return linux, wine[:-1] + [wine[-1].replace(fields(wine[-1])[1], fields(wine[0])[1], 1)]


def alt_tab(linux, wine):
    """Alt+Tab's own Alt: whether the window gets its press before the window
    manager's grab takes the focus is a matter of time, under Wine as under
    ours (SDL then releases it itself); the rest is the focus mend."""
    linux, wine = ([line for line in lines if fields(line)[1:2] != ['0x12']] for lines in (linux, wine))
    return mend_focus_release(linux, wine)


def mend_focus_release(linux, wine):
    """Announced mend: keys still held are released when the window loses
    the focus, before its WM_KILLFOCUS. Windows sends their release to the
    window that has the focus then, and only WM_KILLFOCUS tells the window
    procedure to let them go."""
    lost = linux.index('WM_KILLFOCUS') if 'WM_KILLFOCUS' in linux else 0
    return [line for line in linux[:lost] if fields(line)[0] not in ('WM_KEYUP', 'WM_SYSKEYUP')] + linux[lost:], wine


# (rows, name, common form of the messages, whether the difference must be
# there: a mend that went missing fails too, whether Wine may leave a key
# held)
EXPECTED = [
    (lambda label: label.startswith('AltGr+'), 'AltGr key (Wine)', altgr_key, False, False),
    (lambda label: label.startswith('Ctrl+KP') and 'Enter' not in label, 'Ctrl+keypad text (Wine)',
     wine_keypad_text_with_ctrl, False, False),
    # Windows releases another key than went down: the demo keeps it held.
    (lambda label: label.startswith('KP8 down'), 'mend: up as down', mend_key_up_code, True, True),
    (lambda label: 'focus goes away' in label, 'mend: focus', mend_focus_release, True, False),
    (lambda label: 'Alt+Tab' in label, 'mend: focus, Alt+Tab', alt_tab, True, False),
]


def focus_told_first(label, lines):
    """Our layer alone, where no Wine compares: in a row where the focus
    goes away, SDL makes up the releases of the keys still held, and the
    window procedure must get them all before WM_KILLFOCUS, as Windows tells
    a window last that its focus went. The demo's procedure lets every key
    go on either, so only the order shows a swap."""
    if 'focus goes away' not in label and 'Alt+Tab' not in label:
        return False
    names = [fields(line)[0] for line in lines if not is_state(line)]
    lost = names.index('WM_KILLFOCUS') if 'WM_KILLFOCUS' in names else 0
    return not lost or any(name in ('WM_KEYUP', 'WM_SYSKEYUP') for name in names[lost:])


def is_state(line):
    """The probe's lines on what the demo's window procedure holds."""
    return fields(line)[0] in ('KeyState', 'Frozen')


def left_held(lines):
    """What the demo holds at the end of a row of its own doing: each key
    held in the row and not let go by its end, and the frozen bolt."""
    held = set()
    for line in filter(is_state, lines):
        what = fields(line)[0] if fields(line)[0] == 'Frozen' else fields(line)[1]
        (held.add if fields(line)[-1] == '1' else held.discard)(what)
    return sorted(held)


def verdict(label, linux, wine):
    rule = next((rule for rule in EXPECTED if rule[0](label)), None)
    held = left_held(linux) + ([] if rule and rule[4] else left_held(wine))
    if held:
        return 'HELD ' + ' '.join(held)
    if rule is None:
        return 'same' if linux == wine else 'DIFFERS'
    _, name, common, required, _ = rule
    if linux == wine:
        return 'DIFFERS: the mend is missing' if required else 'same'
    messages = [[line for line in lines if not is_state(line)] for lines in (linux, wine)]
    if all(messages) and common(*messages)[0] == common(*messages)[1]:
        return name
    return 'DIFFERS'


# An X error handler: int (*)(Display *, XErrorEvent *).
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


@ERROR_HANDLER
def ignore_error(display, error):
    """The probe's window goes away with Alt+F4 while it is asked for where
    the pointer is in it: libX11's own handler would end the test there."""
    return 0


class XServer:
    """The display as a person and a window manager use it: keys pressed and
    the pointer moved through the test extension, and the keyboard focus
    handed to a window (the X input focus, and WM_TAKE_FOCUS for a window
    that asks for it: Wine's windows take the focus only on that message;
    SDL's ignore it)."""

    def __init__(self):
        x11 = ctypes.CDLL('libX11.so.6')
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
        x11.XGetWMProtocols.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                        ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                        ctypes.POINTER(ctypes.c_int)]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.POINTER(Event)]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XFree.argtypes = [ctypes.c_void_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                              ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
            [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
        x11.XDeleteProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
        x11.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                           ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                           ctypes.POINTER(ctypes.c_void_p)]
        x11.XSetErrorHandler.argtypes = [ERROR_HANDLER]
        x11.XSetErrorHandler(ignore_error)
        xtest = ctypes.CDLL('libXtst.so.6')
        xtest.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        xtest.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                               ctypes.c_ulong]
        self.x11, self.xtest = x11, xtest
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            sys.exit('FAIL: cannot open the display')
        self.root = x11.XDefaultRootWindow(self.display)
        self.protocols = x11.XInternAtom(self.display, b'WM_PROTOCOLS', 0)
        self.take_focus = x11.XInternAtom(self.display, b'WM_TAKE_FOCUS', 0)
        self.request_frame = x11.XInternAtom(self.display, b'_NET_REQUEST_FRAME_EXTENTS', 0)
        self.frame = x11.XInternAtom(self.display, b'_NET_FRAME_EXTENTS', 0)
        # Never shown: the window manager's answers are written on it.
        self.unmanaged = x11.XCreateSimpleWindow(self.display, self.root, 0, 0, 1, 1, 0, 0, 0)

    def key(self, code, pressed):
        """One key event, reaching the server before this returns."""
        self.xtest.XTestFakeKeyEvent(self.display, code, pressed, 0)
        self.x11.XSync(self.display, 0)
        time.sleep(DELAY)

    def point(self, x, y):
        """Moves the pointer on the screen."""
        self.xtest.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x11.XSync(self.display, 0)

    def in_window(self, window, x, y):
        """The screen's point (x, y) in the window's coordinates."""
        inside_x, inside_y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        self.x11.XTranslateCoordinates(self.display, self.root, window, x, y, ctypes.byref(inside_x),
                                       ctypes.byref(inside_y), ctypes.byref(child))
        return inside_x.value, inside_y.value

    def window_manager_caught_up(self):
        """Returns once the window manager has handled every event sent
        before: it answers a window's request for the size of the frame it
        would give it by writing that on the window."""
        x11, display = self.x11, self.display
        x11.XDeleteProperty(display, self.unmanaged, self.frame)
        event = client_message(self.unmanaged, self.request_frame)
        x11.XSendEvent(display, self.root, 0, 3 << 19, ctypes.byref(event))  # Substructure{Notify,Redirect}Mask
        x11.XSync(display, 0)
        kind, unit, count, left, data = (ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong(),
                                         ctypes.c_void_p())
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            x11.XGetWindowProperty(display, self.unmanaged, self.frame, 0, 4, 0, 0, ctypes.byref(kind),
                                   ctypes.byref(unit), ctypes.byref(count), ctypes.byref(left), ctypes.byref(data))
            if data:
                x11.XFree(data)
            if kind.value:
                return
            time.sleep(0.005)
        sys.exit('FAIL: the window manager did not answer in 10 s (is it running?)')

    def give(self, window):
        x11, display = self.x11, self.display
        x11.XSetInputFocus(display, window, 1, 0)  # RevertToPointerRoot, CurrentTime
        atoms, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_int()
        if x11.XGetWMProtocols(display, window, ctypes.byref(atoms), ctypes.byref(count)):
            if self.take_focus in atoms[:count.value]:
                event = client_message(window, self.protocols, self.take_focus)
                x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
            x11.XFree(atoms)
        x11.XSync(display, 0)
        # Until the window has it: the keys that follow must reach it.
        subprocess.run(['timeout', '10', 'xdotool', 'windowfocus', '--sync', str(window)],
                       stderr=subprocess.DEVNULL)


def switch_windows(server, other_window):
    """Alt+Tab, to the window manager: the focus must go to the other window.
    It goes when the window manager sees Alt come up, which it sees only once
    it has the keyboard: it takes it on Tab, so Alt and Tab are let go after
    it has handled Tab. One that fell behind would miss the release, keep
    the keyboard and never move the focus."""
    for code, pressed in down(ALT) + down(TAB):
        server.key(code, pressed)
    server.window_manager_caught_up()
    for code, pressed in up(TAB) + up(ALT):
        server.key(code, pressed)
    for _ in range(50):
        if subprocess.run(['xdotool', 'getwindowfocus'], capture_output=True, text=True).stdout.strip() == \
                str(other_window):
            return
        time.sleep(0.1)
    sys.exit('FAIL: Alt+Tab did not give the other window the focus (is a window manager running?)')


def find_window(title, probe):
    """The probe's window, once shown. Searched for again and again rather
    than with xdotool's --sync: a window that goes away while xdotool walks
    the windows (as one does while a probe starts) ends that search with an
    X error."""
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and probe.poll() is None:
        found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', '^' + title + '$'],
                               capture_output=True, text=True).stdout.split()
        if found:
            return int(found[0])
        time.sleep(0.1)
    sys.exit(f'FAIL: the window {title} did not appear')


class ProbeLines:
    """What a probe has written so far, read as it grows."""

    def __init__(self, path):
        self.file = open(path)
        self.partial = ''

    def new(self):
        text = self.partial + self.file.read()
        lines = text.split('\n')
        self.partial = lines.pop()
        return lines


# Where the pointer goes, in turn, to tell the probe's catching up: inside
# its window, away from the other window in a corner.
POINTS = ((500, 380), (520, 380))


def wait_for_probe(server, probe, window, lines, turn):
    """Moves the pointer and waits until the probe under Wine has written
    that move down: every key event sent before then has been handled, its
    character made. Ends the test if it never comes; a probe that has ended
    (Alt+F4) is not waited for."""
    x, y = POINTS[turn % 2]
    place = ['WM_MOUSEMOVE'] + [str(value) for value in server.in_window(window, x, y)]
    server.point(x, y)
    deadline = time.monotonic() + 30
    while not any(fields(line) == place for line in lines.new()):
        if probe.poll() is not None:
            return
        if time.monotonic() > deadline:
            sys.exit(f'FAIL: the probe did not write down the pointer\'s move to {x},{y} in 30 s')
        time.sleep(0.001)


def run_probe(command, title, other_window, server, table, paced):
    """Starts a probe, sends it the table and waits for it to close; the
    lines it wrote. A paced probe is waited for after each key press and
    each change of the focus."""
    out_path = f'key_probe_{title}.txt'
    with open(out_path, 'w') as out:
        probe = subprocess.Popen(command + [title], stdout=out, stderr=subprocess.STDOUT)
    lines = ProbeLines(out_path)
    turns = 0

    def caught_up():
        nonlocal turns
        if paced:
            wait_for_probe(server, probe, window, lines, turns)
            turns += 1

    try:
        window = find_window(title, probe)
        server.give(window)
        caught_up()
        for index, (_, steps) in enumerate(table):
            # A window that closed early fails nothing here: the rows
            # missing from its messages tell.
            for step in ([down(SEPARATOR) + up(SEPARATOR)] if index else []) + steps:
                if step in ('away', 'back', 'switch'):
                    time.sleep(0.1)
                    if step == 'switch':
                        switch_windows(server, other_window)
                    else:
                        server.give(other_window if step == 'away' else window)
                    caught_up()
                    time.sleep(0.1)
                    continue
                for code, pressed in step:
                    server.key(code, pressed)
                    if pressed:
                        caught_up()
        probe.wait(timeout=30)
    except subprocess.TimeoutExpired:
        print(f'{title} did not close on Alt+F4')
    finally:
        if probe.poll() is None:
            probe.kill()
            probe.wait()
        lines.file.close()
    with open(out_path) as out:
        return out.read().splitlines()


def split_rows(lines):
    """The messages of each row: the separator's key down and up close it."""
    result, current, separator_up = [], [], False
    for line in lines:
        if fields(line)[:2] == ['KeyState', '0x7b'] or fields(line)[:1] == ['WM_MOUSEMOVE']:
            continue  # the separator's own flag, the pointer's moves that pace the keys
        if fields(line)[:2] == ['WM_KEYDOWN', '0x7b']:
            result.append(current)
            current, separator_up = [], True
        elif separator_up and fields(line)[:2] == ['WM_KEYUP', '0x7b']:
            separator_up = False
        else:
            current.append(line)
    result.append(current)
    return result


def brief(line):
    """KD25 for 'WM_KEYDOWN 0x25', C for WM_CHAR, S for system messages, 'a'
    for the context bit, and [count,previous,transition] where those are not
    the usual ones for the message; +25 and -25 for the demo's flag of 0x25
    set and cleared, +F and -F for its frozen bolt."""
    names = {'WM_KEYDOWN': 'KD', 'WM_KEYUP': 'KU', 'WM_SYSKEYDOWN': 'SKD', 'WM_SYSKEYUP': 'SKU',
             'WM_CHAR': 'C', 'WM_SYSCHAR': 'SC', 'WM_DEADCHAR': 'DC', 'WM_SYSDEADCHAR': 'SDC'}
    parts = fields(line)
    if is_state(line):
        return ('+' if parts[-1] == '1' else '-') + ('F' if parts[0] == 'Frozen' else parts[1][2:])
    if parts[0] not in names:
        return parts[0][3:]
    bits = dict(part.split('=') for part in parts[2:])
    text = names[parts[0]] + parts[1][2:] + ('a' if bits['context'] == '1' else '')
    usual = '1' if parts[0] in ('WM_KEYUP', 'WM_SYSKEYUP') else '0'
    if bits['previous'] != usual or bits['transition'] != usual or bits['count'] != '1':
        text += '[{count},{previous},{transition}]'.format(**bits)
    return text


def main(argv):
    if len(argv) not in (3, 5):
        print(__doc__)
        return 2
    linux_probe, other_window = argv[1], argv[-1]
    sides = [('Linux', [linux_probe])] + ([('Wine', argv[2:4])] if len(argv) == 5 else [])
    server, table = XServer(), rows()
    results = {}
    for side, command in sides:
        start = time.monotonic()
        lines = run_probe(command, 'KeyProbe' + side, int(other_window, 0), server, table, side == 'Wine')
        results[side] = split_rows(lines)
        print(f'{side}: {len(lines)} messages in {time.monotonic() - start:.1f} s')
    failures = 0
    for side, got in results.items():
        if len(got) != len(table):
            print(f'FAIL: {len(got)} rows of messages from {side} for {len(table)} rows sent')
            failures += 1
    width = max(len(label) for label, _ in table)
    print(f'{"keys":<{width}}  ' + ''.join(f'{side:<34}  ' for side in results) + 'verdict')
    for index, (label, _) in enumerate(table):
        linux, wine = (results[side][index] if side in results and index < len(results[side]) else []
                       for side in ('Linux', 'Wine'))
        if 'Wine' in results:
            result = verdict(label, linux, wine)
            wine_text = 'same' if linux == wine else ' '.join(brief(line) for line in wine)
            texts = [' '.join(brief(line) for line in linux), wine_text]
        else:
            held = left_held(linux)
            result = ('HELD ' + ' '.join(held) if held else
                      'DIFFERS: WM_KILLFOCUS before the releases' if focus_told_first(label, linux) else 'ok')
            texts = [' '.join(brief(line) for line in linux)]
        failures += result.startswith(('DIFFERS', 'HELD'))
        print(f'{label:<{width}}  ' + ''.join(f'{text:<34}  ' for text in texts) + result)
    print(f'{len(table)} rows, {failures} unexpected difference(s) or keys left held')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
