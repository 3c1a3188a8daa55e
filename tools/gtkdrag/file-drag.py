#!/usr/bin/python3
# A file manager's drag for the stages: GTK 3's own drag code, as most Linux
# file managers use it, drags files from a small window of its own onto the
# screen point X,Y. The user's hand is xdotool: press on the window, move
# past the drag threshold, glide to the point, rest, release.
#
#   file-drag.py X Y FILE...
#
# Prints what the drag came to, one line each:
#   gtk-drag data asked           the target fetched the file list
#   gtk-drag failed REASON        no-target, error, user-cancelled, ...
#   gtk-drag end succeeded 0|1 action copy|move|link|none
# Exits 0 when the drag ended (whatever the target answered), 1 otherwise.
# Needs Debian's python3 with python3-gi and gir1.2-gtk-3.0, and xdotool.
import subprocess
import sys
import threading
import time
import urllib.parse

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

ACTIONS = {
    Gdk.DragAction.COPY: "copy",
    Gdk.DragAction.MOVE: "move",
    Gdk.DragAction.LINK: "link",
}


def say(text):
    print("gtk-drag " + text, flush=True)


def xdotool(*words):
    subprocess.run(["timeout", "10", "xdotool"] + [str(w) for w in words], check=False)


def glide(x0, y0, x1, y1, steps):
    for i in range(1, steps + 1):
        xdotool("mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        time.sleep(0.05)


def gesture(start, target, ended):
    (sx, sy), (tx, ty) = start, target
    xdotool("mousemove", sx, sy)
    time.sleep(0.2)
    xdotool("mousedown", 1)
    time.sleep(0.2)
    glide(sx, sy, sx + 20, sy - 20, 4)  # past the drag threshold
    glide(sx + 20, sy - 20, tx, ty, 10)
    time.sleep(0.5)
    xdotool("mousemove", tx + 2, ty + 1)  # one more position, as a hand never rests still
    time.sleep(0.5)
    xdotool("mouseup", 1)
    ended.wait(8)
    GLib.idle_add(Gtk.main_quit)


def main():
    if len(sys.argv) < 4:
        print("usage: file-drag.py X Y FILE...", file=sys.stderr)
        return 2
    target = (int(sys.argv[1]), int(sys.argv[2]))
    uris = ["file://" + urllib.parse.quote(path) for path in sys.argv[3:]]
    ended = threading.Event()
    failure = []

    window = Gtk.Window(title="Parvolino drag source")
    window.set_default_size(160, 60)
    # The screen's lower right corner, where the stages put no host window.
    screen = window.get_display().get_monitor(0).get_geometry()
    window.move(screen.x + screen.width - 200, screen.y + screen.height - 100)
    source = Gtk.EventBox()
    source.add(Gtk.Label(label="drag me"))
    window.add(source)
    # What a file manager offers: a URI list, to copy, move or link.
    source.drag_source_set(
        Gdk.ModifierType.BUTTON1_MASK,
        [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
        Gdk.DragAction.COPY | Gdk.DragAction.MOVE | Gdk.DragAction.LINK,
    )

    def data_get(widget, context, data, info, time_):
        say("data asked")
        data.set_uris(uris)

    def failed(widget, context, result):
        failure.append(result.value_nick)
        say("failed " + result.value_nick)
        return True  # no animation back to the source

    def end(widget, context):
        action = ACTIONS.get(context.get_selected_action(), "none")
        succeeded = not failure and Gdk.drag_drop_succeeded(context)
        say("end succeeded %d action %s" % (1 if succeeded else 0, action))
        ended.set()

    def mapped(widget, event):
        _, x, y = source.get_window().get_origin()
        allocation = source.get_allocation()
        start = (x + allocation.width // 2, y + allocation.height // 2)
        threading.Thread(target=gesture, args=(start, target, ended), daemon=True).start()
        return False

    source.connect("drag-data-get", data_get)
    source.connect("drag-failed", failed)
    source.connect("drag-end", end)
    window.connect("map-event", mapped)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    GLib.timeout_add_seconds(30, Gtk.main_quit)  # never outlive the stage
    Gtk.main()
    return 0 if ended.is_set() else 1


if __name__ == "__main__":
    sys.exit(main())
