#!/usr/bin/env python3
"""Eyes and hands on a headless mutter: its own remote-desktop and
screen-cast services, as a remote-desktop program uses them.

  mutter_remote.py        reads commands on standard input, one a line, and
                          answers each with one line, "ok" or "error: WHY"

  key CODE down|up        a key of the virtual keyboard, by its Linux input
                          code (X's keycode less 8): mutter takes it through
                          the same seat and keymap as a real keyboard's
  pointer X Y             the virtual pointer to X Y of the monitor
  motion DX DY            the virtual pointer moved by DX DY, as a mouse
                          moves it
  grab PATH               the monitor's latest frame, cursor drawn in, as an
                          8-bit binary PPM

The first line it prints is "ready" once the first frame has come, or
"error: WHY" when the session cannot start. The frames come through
PipeWire (GStreamer's pipewiresrc); the session ends with the program.
"""
import sys
import threading

import gi

gi.require_version('Gst', '1.0')
from gi.repository import Gio, GLib, Gst  # noqa: E402

RD, SC = 'org.gnome.Mutter.RemoteDesktop', 'org.gnome.Mutter.ScreenCast'
CURSOR_EMBEDDED = 1
SHIFT = 42


class Remote:
    def __init__(self, loop):
        self.loop = loop
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.frame = None  # (width, height, stride, bytes) of the latest frame
        self.lock = threading.Lock()
        self.pipeline = None
        self.ready = False

    def call(self, name, path, interface, method, args=None, reply=None):
        return self.bus.call_sync(name, path, interface, method, args,
                                  GLib.VariantType(reply) if reply else None,
                                  Gio.DBusCallFlags.NONE, 10000, None)

    def start(self):
        rd_path = self.call(RD, '/org/gnome/Mutter/RemoteDesktop', RD, 'CreateSession',
                            reply='(o)').unpack()[0]
        session_id = self.call(RD, rd_path, 'org.freedesktop.DBus.Properties', 'Get',
                               GLib.Variant('(ss)', (RD + '.Session', 'SessionId')),
                               '(v)').unpack()[0]
        # A screen cast tied to the remote-desktop session: absolute pointer
        # positions are given in its stream's coordinates.
        sc_path = self.call(SC, '/org/gnome/Mutter/ScreenCast', SC, 'CreateSession',
                            GLib.Variant('(a{sv})', ({'remote-desktop-session-id':
                                                      GLib.Variant('s', session_id)},)),
                            '(o)').unpack()[0]
        # '' is the primary monitor: the one virtual monitor.
        self.stream = self.call(SC, sc_path, SC + '.Session', 'RecordMonitor',
                                GLib.Variant('(sa{sv})', ('', {'cursor-mode':
                                                              GLib.Variant('u', CURSOR_EMBEDDED)})),
                                '(o)').unpack()[0]
        self.rd_path = rd_path
        self.bus.signal_subscribe(SC, SC + '.Stream', 'PipeWireStreamAdded', self.stream, None,
                                  Gio.DBusSignalFlags.NONE, self.on_stream, None)
        self.bus.signal_subscribe(RD, RD + '.Session', 'Closed', rd_path, None,
                                  Gio.DBusSignalFlags.NONE, self.on_closed, None)
        self.call(RD, rd_path, RD + '.Session', 'Start')
        self.session('NotifyKeyboardKeycode', '(ub)', SHIFT, True)
        self.session('NotifyKeyboardKeycode', '(ub)', SHIFT, False)

    def on_closed(self, *_):
        print('error: mutter closed the remote-desktop session', flush=True)
        self.loop.quit()

    def on_stream(self, _bus, _sender, _path, _interface, _signal, parameters, _data):
        node = parameters.unpack()[0]
        # Only GStreamer's core elements beside pipewiresrc: the frames are
        # asked for as BGRx and turned into PPM here. always-copy hands out
        # buffers of GStreamer's own, so that holding the latest one keeps
        # none of the stream's few buffers from mutter.
        self.pipeline = Gst.parse_launch(
            f'pipewiresrc path={node} always-copy=true do-timestamp=true '
            f'! video/x-raw,format=BGRx ! fakesink name=sink signal-handoffs=true sync=false')
        self.pipeline.get_by_name('sink').connect('handoff', self.on_frame)
        bus = self.pipeline.get_bus()
        bus.add_signal_watch()
        bus.connect('message::error', self.on_error)
        self.pipeline.set_state(Gst.State.PLAYING)

    def on_error(self, _bus, message):
        error, _ = message.parse_error()
        print(f'error: the stream failed: {error.message}', flush=True)
        self.loop.quit()

    def on_frame(self, _sink, buffer, pad):
        structure = pad.get_current_caps().get_structure(0)
        width, height = structure.get_value('width'), structure.get_value('height')
        ok, info = buffer.map(Gst.MapFlags.READ)
        if not ok:
            return
        data = bytes(info.data)
        buffer.unmap(info)
        with self.lock:
            self.frame = (width, height, len(data) // height, data)
        if not self.ready:
            self.ready = True
            GLib.idle_add(self.announce)

    def announce(self):
        print('ready', flush=True)
        GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()),
                          GLib.PRIORITY_DEFAULT, GLib.IOCondition.IN | GLib.IOCondition.HUP,
                          self.on_command)
        return False

    def grab(self, path):
        with self.lock:
            width, height, stride, data = self.frame
        rgb = bytearray(3 * width * height)
        row = 3 * width
        for y in range(height):
            line = data[y * stride:y * stride + 4 * width]
            out = rgb[y * row:(y + 1) * row]
            out[0::3], out[1::3], out[2::3] = line[2::4], line[1::4], line[0::4]
            rgb[y * row:(y + 1) * row] = out
        with open(path, 'wb') as f:
            f.write(b'P6\n%d %d\n255\n' % (width, height) + rgb)

    def session(self, method, signature, *args):
        self.call(RD, self.rd_path, RD + '.Session', method, GLib.Variant(signature, args))

    def on_command(self, channel, condition):
        line = sys.stdin.readline()
        if not line:
            self.loop.quit()
            return False
        words = line.split()
        try:
            if words[:1] == ['key'] and len(words) == 3 and words[2] in ('down', 'up'):
                self.session('NotifyKeyboardKeycode', '(ub)', int(words[1]), words[2] == 'down')
            elif words[:1] == ['pointer'] and len(words) == 3:
                self.session('NotifyPointerMotionAbsolute', '(sdd)', self.stream,
                             float(words[1]), float(words[2]))
            elif words[:1] == ['motion'] and len(words) == 3:
                self.session('NotifyPointerMotionRelative', '(dd)', float(words[1]), float(words[2]))
            elif words[:1] == ['grab'] and len(words) == 2:
                self.grab(words[1])
            else:
                raise ValueError(f'unknown command: {line.strip()}')
            print('ok', flush=True)
        except (GLib.Error, ValueError, OSError) as error:
            print(f'error: {error}', flush=True)
        return True


def main():
    Gst.init(None)
    loop = GLib.MainLoop()
    remote = Remote(loop)
    try:
        remote.start()
    except GLib.Error as error:
        print(f'error: {error.message}', flush=True)
        return 1
    loop.run()
    if remote.pipeline:
        remote.pipeline.set_state(Gst.State.NULL)
    return 0


if __name__ == '__main__':
    sys.exit(main())
