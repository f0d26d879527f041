#!/usr/bin/env python3
"""The key table, sent to the key probe under our Linux layer and under Wine.

  key_table.py LINUX_PROBE WINE_LOADER WINDOWS_PROBE OTHER_WINDOW
  key_table.py LINUX_PROBE OTHER_WINDOW       (our Linux layer alone)

Runs each probe in turn on the current display, sends both the same X key
events with xdotool and compares what their window procedures received, row
by row: every key of the table alone and with Shift, Alt, AltGr and Ctrl,
NumLock on and off for the keypad, then a keypad key released after NumLock
changed, keys held while Alt goes down, and keys held while the focus goes
to OTHER_WINDOW, given by us and by the window manager's Alt+Tab (a window
manager that switches windows on Alt+Tab runs on the display). The probe
hands each message to the demo's own window procedure and writes down the
keys it holds: on every row, of either probe, each key held must be let go
by the row's end. Prints the table and ends with status 1 on any difference
that is not expected below, or any key left held.

Keys are sent by keycode, so that xdotool adds no modifiers of its own. The
keycodes are the evdev ones of Xvfb; the layout is the caller's, German
(setxkbmap de): "+" and "-" are keys of their own there, and AltGr types
"~" and an en dash on them, the same in Windows-1251 and in Wine's code page.
"""
import ctypes
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'support'))
from close_request import Event  # noqa: E402  an X client message, as libX11 lays it out

# Milliseconds after each key event. Without a pause some releases went
# missing, under our layer and under Wine alike; 2 ms was enough in repeated
# runs, 3 leaves a margin.
DELAY = '3'
SEPARATOR = 96  # F12 between rows: its own messages close a row
SHIFT, CTRL, ALT, ALTGR, NUMLOCK, KP8, LEFT, UP, SPACE, TAB, F4 = 50, 37, 64, 108, 77, 80, 113, 111, 65, 23, 70

KEYS = [('Left', LEFT), ('Up', UP), ('Right', 114), ('Down', 116), ('F1', 67), ('F2', 68), ('F3', 69),
        ('Space', SPACE), ('Escape', 'Escape'),  # the keycode 9 would be read as the key "9"
        ('+', 35), ('-', 61)]
KEYPAD = [('KP0', 90), ('KP1', 87), ('KP2', 88), ('KP3', 89), ('KP4', 83), ('KP5', 84), ('KP6', 85),
          ('KP7', 79), ('KP8', KP8), ('KP9', 81), ('KP.', 91), ('KP+', 86), ('KP-', 82), ('KP*', 63),
          ('KP/', 106), ('KPEnter', 104)]
MODIFIERS = [('', None), ('Shift', SHIFT), ('Alt', ALT), ('AltGr', ALTGR), ('Ctrl', CTRL)]


def down(code):
    return ['keydown', '--delay', DELAY, str(code)]


def up(code):
    return ['keyup', '--delay', DELAY, str(code)]


def rows():
    """(label, steps) for every row; a step is a list of xdotool arguments,
    or 'away' and 'back' for the focus going to the other window and coming
    back, or 'switch' for Alt+Tab. F4 comes last: with Alt it closes the
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


class Focus:
    """Hands the keyboard focus to a window as a window manager does: the X
    input focus, and WM_TAKE_FOCUS for a window that asks for it. Wine's
    windows take the focus only on that message; SDL's ignore it."""

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
        self.x11 = x11
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            sys.exit('FAIL: cannot open the display')
        self.protocols = x11.XInternAtom(self.display, b'WM_PROTOCOLS', 0)
        self.take_focus = x11.XInternAtom(self.display, b'WM_TAKE_FOCUS', 0)

    def give(self, window):
        x11, display = self.x11, self.display
        x11.XSetInputFocus(display, window, 1, 0)  # RevertToPointerRoot, CurrentTime
        atoms, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_int()
        if x11.XGetWMProtocols(display, window, ctypes.byref(atoms), ctypes.byref(count)):
            if self.take_focus in atoms[:count.value]:
                event = Event()
                event.client.type = 33  # ClientMessage
                event.client.window = window
                event.client.message_type = self.protocols
                event.client.format = 32
                event.client.data[0] = self.take_focus
                x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
            x11.XFree(atoms)
        x11.XSync(display, 0)
        # Until the window has it: the keys that follow must reach it.
        subprocess.run(['timeout', '10', 'xdotool', 'windowfocus', '--sync', str(window)],
                       stderr=subprocess.DEVNULL)


def switch_windows(other_window):
    """Alt+Tab, to the window manager: the focus must go to the other window."""
    subprocess.run(['xdotool'] + down(ALT) + down(TAB) + up(TAB) + up(ALT))
    for _ in range(50):
        if subprocess.run(['xdotool', 'getwindowfocus'], capture_output=True, text=True).stdout.strip() == \
                str(other_window):
            return
        time.sleep(0.1)
    sys.exit('FAIL: Alt+Tab did not give the other window the focus (is a window manager running?)')


def run_probe(command, title, other_window, focus, table):
    """Starts a probe, sends it the table and waits for it to close; the
    lines it wrote."""
    out_path = f'key_probe_{title}.txt'
    with open(out_path, 'w') as out:
        probe = subprocess.Popen(command + [title], stdout=out, stderr=subprocess.STDOUT)
    try:
        found = subprocess.run(['timeout', '30', 'xdotool', 'search', '--sync', '--onlyvisible', '--name',
                                '^' + title + '$'], capture_output=True, text=True).stdout.split()
        if not found:
            sys.exit(f'FAIL: the window {title} did not appear')
        window = int(found[0])
        focus.give(window)
        pending = []

        def send():
            # A window that closed early fails nothing here: the rows
            # missing from its messages tell.
            if pending:
                subprocess.run(['xdotool'] + pending, stderr=subprocess.DEVNULL)
                pending.clear()

        for index, (_, steps) in enumerate(table):
            if index:
                pending += down(SEPARATOR) + up(SEPARATOR)
            for step in steps:
                if step in ('away', 'back', 'switch'):
                    send()
                    time.sleep(0.1)
                    if step == 'switch':
                        switch_windows(other_window)
                    else:
                        focus.give(other_window if step == 'away' else window)
                    time.sleep(0.1)
                else:
                    pending += step
        send()
        probe.wait(timeout=30)
    except subprocess.TimeoutExpired:
        print(f'{title} did not close on Alt+F4')
    finally:
        if probe.poll() is None:
            probe.kill()
            probe.wait()
    with open(out_path) as out:
        return out.read().splitlines()


def split_rows(lines):
    """The messages of each row: the separator's key down and up close it."""
    result, current, separator_up = [], [], False
    for line in lines:
        if fields(line)[:2] == ['KeyState', '0x7b']:
            continue  # the separator's own flag
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
    focus, table = Focus(), rows()
    results = {}
    for side, command in sides:
        start = time.monotonic()
        lines = run_probe(command, 'KeyProbe' + side, int(other_window, 0), focus, table)
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
