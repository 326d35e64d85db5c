#!/usr/bin/python3
"""Counts the accessibility events that reach a real AT-SPI client.

Registers for every object, window and focus event on the session's
accessibility bus, as a screen reader does, prints "listening", ignores what
comes in the next DELAY seconds, then counts for SECONDS seconds. Prints
"a11y_events_per_s: N" and the events by type, most frequent first.
    a11y_listen.py SECONDS [DELAY]
"""
import sys
import time

import pyatspi
from gi.repository import GLib

seconds = float(sys.argv[1])
delay = float(sys.argv[2]) if len(sys.argv) > 2 else 1.0
counts = {}
window = {"start": None}


def on_event(event):
    start = window["start"]
    if start is None or time.monotonic() < start:
        return
    kind = str(event.type)
    counts[kind] = counts.get(kind, 0) + 1


def stop():
    pyatspi.Registry.stop()
    return False


pyatspi.Registry.registerEventListener(on_event, "object", "window", "focus")
window["start"] = time.monotonic() + delay
GLib.timeout_add(int((delay + seconds) * 1000), stop)
print("listening", flush=True)
pyatspi.Registry.start()
total = sum(counts.values())
print(f"a11y_events_per_s: {total / seconds:.1f}")
for kind, n in sorted(counts.items(), key=lambda item: -item[1])[:8]:
    print(f"a11y_event {kind} {n}")
