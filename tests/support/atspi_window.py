"""Drives the program's window the way a screen reader does, through AT-SPI.

    atspi_window.py full|basic

Run with the program started against a private session bus with its
accessibility bus, and with PULSE_SERVER pointing at the private sound server
whose default sink the checks read. "full" checks the whole tree, the
announcements and the focus, which needs a window manager that gives the
window the focus; "basic" only finds the frame, presses a preset and starts and
stops party mode.
"""
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

CAPTION = "bLaRgO v1.01"
DEADLINE_S = 20
# A call into the program waits this long for its answer (hang scale). By
# default libatspi gives up after 0.8 s, which a loaded machine can miss,
# and then answers as if the object had nothing: no actions, no name, no
# states ("'STOP DEVIL!!!' offers no Press action, only []").
CALL_TIMEOUT_MS = 10000
Atspi.set_timeout(CALL_TIMEOUT_MS, 15000)
failures = []


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    failures.append(message)


def pump(seconds=0.05):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)


def wait_for(condition, what):
    end = time.monotonic() + DEADLINE_S
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        pump()
    fail(f"not within {DEADLINE_S} s: {what}")
    return None


def sink():
    out = subprocess.run(["pactl", "get-sink-volume", "@DEFAULT_SINK@"],
                         capture_output=True, text=True, timeout=10).stdout
    match = re.search(r"front-left: (\d+) ", out)
    return int(match.group(1)) if match else -1


def sink_at(percent):
    # A level lands on its percent of the sink's normal volume, 65536, to the
    # nearest step: the percent pactl and the desktops show for it.
    raw = round(percent * 65536 / 100)
    return lambda: sink() == raw


def unnamed(accessible, path=""):
    """Every object under `accessible`, itself included, that has no name,
    as the path of roles that leads to it."""
    here = f"{path}/{accessible.getRoleName()}"
    found = [] if accessible.name else [here]
    for child in accessible:
        if child is not None:
            found += unnamed(child, here)
    return found


def find_frame():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == CAPTION:
                return window
    return None


def has(accessible, state):
    return accessible.getState().contains(state)


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail(f"{button.name!r} offers no Press action, only {names}")
        return
    action.doAction(names.index("Press"))


class Announcements:
    """What a screen reader hears whatever has the focus: a notification shown,
    read by its name, or an announcement (at-spi2-core 2.50 on), by its text."""

    EVENTS = ("object:state-changed:showing", "object:announcement")

    def __init__(self):
        self.sources = []
        self.texts = []
        for event in self.EVENTS:
            pyatspi.Registry.registerEventListener(self._on_event, event)

    def _on_event(self, event):
        # No calls back into the program from here: they would queue behind
        # the events still coming.
        if event.type.startswith("object:announcement"):
            if isinstance(event.any_data, str):
                self.texts.append(event.any_data)
        elif event.detail1:
            self.sources.append(event.source)

    def heard(self, text):
        # A screen reader reads the notification's name once it shows.
        return text in self.texts or any(
            source.getRole() == pyatspi.ROLE_NOTIFICATION and source.name == text
            for source in self.sources)

    def stop(self):
        for event in self.EVENTS:
            pyatspi.Registry.deregisterEventListener(self._on_event, event)

    def clear(self):
        self.sources.clear()
        self.texts.clear()


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else "full"
    frame = wait_for(find_frame, f"a window named {CAPTION!r} in the accessibility tree")
    if frame is None:
        return 1
    if frame.getRole() != pyatspi.ROLE_FRAME:
        fail(f"the window's role is {frame.getRoleName()}, not frame")
    controls = {child.name: child for child in frame
                if child.getRole() != pyatspi.ROLE_STATUS_BAR}
    label1 = frame[1]
    slider = controls.get("Volume")
    buttons = {name: controls.get(name) for name in
               ("MUTE", "SET 25%", "SET 50%", "SET 75%", "SET100%", "PLAY BABY!!!",
                "STOP DEVIL!!!")}
    if slider is None or None in buttons.values():
        fail(f"controls missing from the tree: {sorted(controls)}")
        return 1

    if mode == "full":
        # Roles, not their names: at-spi2-core 2.56 calls a push button "button".
        tree = [(child.getRole(), child.name) for child in frame]
        # The percentage reads whatever level was last set ("??%" before any),
        # taken from this one reading of the tree: the label may move on since.
        shown = tree[1][1] if len(tree) > 1 and re.fullmatch(r"\d+%|\?\?%", tree[1][1]) \
            else "(a percentage)"
        label, button = pyatspi.ROLE_LABEL, pyatspi.ROLE_PUSH_BUTTON
        expected = [(label, "Volume :"), (label, shown), (pyatspi.ROLE_SCROLL_BAR, "Volume"),
                    (button, "MUTE"), (button, "SET 25%"), (button, "SET 50%"),
                    (button, "SET 75%"), (button, "SET100%"), (button, "PLAY BABY!!!"),
                    (button, "STOP DEVIL!!!"), (label, "bLaRgO v1.01"),
                    (label, "Pumps your volume"), (label, "at a thousand beats a second"),
                    (pyatspi.ROLE_STATUS_BAR, "Volume level")]
        if tree != expected:
            fail(f"the tree is {[(str(role), name) for role, name in tree]}")
        labelled_by = [relation.getTarget(0).name for relation in slider.getRelationSet()
                       if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        if labelled_by != ["Volume :"]:
            fail(f"the slider is labelled by {labelled_by}")
        if has(buttons["STOP DEVIL!!!"], pyatspi.STATE_SHOWING):
            fail("STOP DEVIL!!! shows before party mode")

    # Whatever a screen reader reaches says what it is.
    for path in unnamed(frame):
        fail(f"{path} has no name")

    announcements = Announcements()
    presets = [("SET 25%", 25, "25%"), ("SET100%", 100, "100%"), ("SET 75%", 75, "75%"),
               ("MUTE", 0, "0%"), ("SET 50%", 50, "50%")]
    for name, percent, text in presets if mode == "full" else presets[2:3]:
        button = buttons[name]
        if mode == "full":
            button.queryComponent().grabFocus()
            wait_for(lambda b=button: has(b, pyatspi.STATE_FOCUSED), f"{name} focused")
            pump(0.2)
            announcements.clear()
        press(button)
        wait_for(sink_at(percent), f"{name} puts the sink at {percent} % (it is at {sink()})")
        wait_for(lambda t=text: label1.name == t, f"{name} shows {text} (shows {label1.name})")
        if mode == "full":
            wait_for(lambda t=text: announcements.heard(t), f"{name}: {text} announced")

    if mode == "full":
        slider.queryComponent().grabFocus()
        wait_for(lambda: has(slider, pyatspi.STATE_FOCUSED), "slider focused")
        value = slider.queryValue()
        if (value.minimumValue, value.maximumValue) != (0, 100):
            fail(f"the slider runs {value.minimumValue}..{value.maximumValue}")
        announcements.clear()
        value.currentValue = 40
        wait_for(sink_at(40), f"Value 40 puts the sink at 26214 (it is at {sink()})")
        wait_for(lambda: label1.name == "40%", "Value 40 shows 40%")
        wait_for(lambda: announcements.heard("40%"), "40% announced after the slider moved")
    announcements.stop()

    before = sink()
    play, stop = buttons["PLAY BABY!!!"], buttons["STOP DEVIL!!!"]
    if mode == "full":
        play.queryComponent().grabFocus()
        wait_for(lambda: has(play, pyatspi.STATE_FOCUSED), "PLAY BABY!!! focused")
    press(play)
    wait_for(lambda: has(stop, pyatspi.STATE_SHOWING), "STOP DEVIL!!! shows in party mode")
    wait_for(lambda: sink() != before, "party mode moves the sink")
    if mode == "full":
        wait_for(lambda: has(stop, pyatspi.STATE_FOCUSED), "the focus moves to STOP DEVIL!!!")
        if has(buttons["MUTE"], pyatspi.STATE_SHOWING):
            fail("the presets show in party mode")
    press(stop)
    wait_for(lambda: has(play, pyatspi.STATE_SHOWING) and not has(stop, pyatspi.STATE_SHOWING),
             "the normal window comes back")
    if mode == "full":
        wait_for(lambda: has(play, pyatspi.STATE_FOCUSED), "the focus goes back to PLAY BABY!!!")
    # The volume stays at the level the label shows (read once per try: the
    # label may still move between two readings).
    def holds_level_shown():
        match = re.fullmatch(r"(\d+)%", label1.name)
        return match is not None and sink_at(int(match.group(1)))()
    wait_for(holds_level_shown,
             f"after party mode the sink ({sink()}) holds the level shown ({label1.name})")

    checks = "full" if mode == "full" else "basic"
    if failures:
        print(f"{checks}: {len(failures)} failed")
        return 1
    print(f"{checks}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
