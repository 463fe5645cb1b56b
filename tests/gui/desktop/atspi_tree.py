"""A program's windows as a screen reader reads them over AT-SPI, and the user's gestures a
screen reader user makes: pressing a named button, choosing a menu item, typing into a field.
Run with Debian's /usr/bin/python3, which has python3-pyatspi."""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

# What a screen reader names when it meets it: top-level windows, controls, texts and pictures.
# Containers (menu bar, tool bar, panels, frames inside a window), separators, fillers and
# scroll bars are announced by their role.
WINDOW_ROLES = {"frame", "dialog", "window", "alert", "filler"}
NAMED_ROLES = {
    "push button", "toggle button", "check box", "radio button", "slider", "spin button",
    "combo box", "progress bar", "menu item", "page tab", "label", "image", "text",
}
# Controls a user works: the keyboard must reach each one that shows (menu items are reached
# through their menus, with the keys their binding names).
KEYBOARD_ROLES = {
    "push button", "toggle button", "check box", "radio button", "slider", "spin button",
    "combo box", "page tab",
}


class Node:
    """One accessible object: its role, name, description, states and key binding."""

    def __init__(self, acc, depth):
        self.acc = acc
        self.depth = depth
        self.role = acc.getRoleName()
        self.name = acc.name or ""
        self.description = acc.description or ""
        states = acc.getState()
        self.showing = states.contains(pyatspi.STATE_SHOWING)
        self.focusable = states.contains(pyatspi.STATE_FOCUSABLE)
        self.enabled = states.contains(pyatspi.STATE_ENABLED)
        self.needs_name = (self.role in NAMED_ROLES or
                           (depth == 0 and self.role in WINDOW_ROLES))
        self.keys = ""
        try:
            action = acc.queryAction()
            self.keys = action.getKeyBinding(0) if action.nActions > 0 else ""
        except NotImplementedError:
            pass

    def line(self):
        text = "  " * self.depth + f"[{self.role}] {self.name!r}"
        if self.description:
            text += f" ({self.description})"
        if self.keys:
            text += f" keys {self.keys!r}"
        if not self.showing:
            text += " hidden"
        return text


def walk(acc, depth=0):
    """The object and everything below it, depth first in child order."""
    nodes = [Node(acc, depth)]
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            nodes.extend(walk(child, depth + 1))
    return nodes


def pump():
    """Lets the AT-SPI events that came in reach their listeners."""
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def wait_for(condition, what, seconds=20.0):
    """Waits until condition() answers something true, and answers it; fails naming what."""
    deadline = time.monotonic() + seconds
    while True:
        pump()
        try:
            value = condition()
        except Exception:  # an object that went away while it was read
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"no {what} within {seconds:.0f} s")
        time.sleep(0.05)


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)

    def find():
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        return None

    return wait_for(find, f"application {name!r} on the accessibility bus")


def windows(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)
            if app.getChildAtIndex(i) is not None]


def window(app, name):
    """The program's top-level window of that name, once it shows."""
    def find():
        for win in windows(app):
            if win.name == name and win.getState().contains(pyatspi.STATE_SHOWING):
                return win
        return None

    try:
        return wait_for(find, f"window {name!r}")
    except TimeoutError as error:
        shown = [(w.getRoleName(), w.name) for w in windows(app)]
        raise TimeoutError(f"{error}; the windows are {shown}") from None


def gone(app, name):
    """Waits until no window of that name shows: a dialog has closed."""
    wait_for(lambda: all(w.name != name or not w.getState().contains(pyatspi.STATE_SHOWING)
                         for w in windows(app)), f"end of window {name!r}")


def find(root, role, name):
    for node in walk(root):
        if node.role == role and node.name == name:
            return node.acc
    return None


def act(root, role, name):
    """Does the default action of the object in the window (presses a button, chooses a menu
    item). Qt answers such a call only when what it started has ended (a modal dialog, a whole
    conversion), so the call is made by a process of its own, and this one goes on at once."""
    wait_for(lambda: find(root, role, name), f"{role} {name!r}")
    app = root.getApplication().name
    what = f"{role} {name!r} of {root.name!r}"
    process = subprocess.Popen(
        [sys.executable, "-B", __file__, "act", app, root.name, role, name])
    _acting.append((what, process))


def finish_actions(seconds=30):
    """Waits for the actions still waiting for their answer (their dialogs have closed, or the
    program has ended); answers those that could not be done."""
    failed = []
    for what, process in _acting:
        try:
            status = process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            process.kill()
            status = process.wait()
        if status != 0:
            failed.append(what)
    _acting.clear()
    return failed


_acting = []


def type_into(root, text):
    """Puts the text into the first editable text field, as typing it would."""
    def field():
        for node in walk(root):
            if node.role == "text" and node.acc.getState().contains(pyatspi.STATE_EDITABLE):
                return node.acc
        return None

    wait_for(field, "text field").queryEditableText().setTextContents(text)


class Listener:
    """Records the property changes (name, description) the program announces."""

    EVENTS = ("object:property-change:accessible-name",
              "object:property-change:accessible-description")

    def __init__(self):
        self.heard = []
        for event in self.EVENTS:
            pyatspi.Registry.registerEventListener(self._heard, event)
        pump()

    def _heard(self, event):
        """Keeps the event's kind, and its object's role, name, description and parent's name."""
        try:
            source = event.source
            parent = source.parent.name if source.parent is not None else ""
            self.heard.append((event.type, source.getRoleName(), source.name or "",
                               source.description or "", parent or ""))
        except Exception:  # an object that went away meanwhile
            pass

    def close(self):
        for event in self.EVENTS:
            pyatspi.Registry.deregisterEventListener(self._heard, event)


if __name__ == "__main__":
    # atspi_tree.py act APPLICATION WINDOW ROLE NAME: the action, for act() above.
    _, _, app_name, window_name, role_name, object_name = sys.argv
    try:
        target = find(window(application(app_name), window_name), role_name, object_name)
    except TimeoutError as error:
        sys.exit(f"atspi_tree: {error}")
    try:
        target.queryAction().doAction(0)
    except GLib.Error:  # no answer: the program ended before what the action started
        pass
