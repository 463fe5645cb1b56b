"""Every window of the desktop program as a screen reader reads it over AT-SPI: each control named,
reached by the keyboard and described where it helps, the information view's lines with their
values, and the lines announced when a conversion changes them. Driven as a screen reader user
drives the program: through the menus, buttons and fields AT-SPI names.

Usage (in a session of desktop_session.sh): windows_test.py SONARO TEST_CODEC_DIR
Exits 0 when all holds, 1 with the failures listed, 77 when python3-pyatspi is missing."""

import os
import subprocess
import sys
import tempfile

from sound_files import slow_voxware, stereo_tone

try:
    import atspi_tree as at
except ImportError as error:
    print(f"windows_test: skipped: python3-pyatspi is not installed ({error}); "
          "scripts/install-deps.sh test installs it", file=sys.stderr)
    sys.exit(77)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


class Window:
    """A window of the program: how a user opens it, the names its tree must hold (in any
    order), descriptions, and how the user closes it."""

    def __init__(self, title, opened_by=None, names=(), described=(), closed_by=None):
        self.title = title
        self.opened_by = opened_by  # (role, name) chosen in the main window
        self.names = names
        self.described = described  # (name, description)
        self.closed_by = closed_by  # (role, name) pressed in the window itself


LINES_44K = ["Format: PCM", "Size: 517 kB", "Playback time: 00:03.00",
             "Sampling rate: 44100 Hz", "Channels: stereo", "Bit depth: 16 bits"]

# The windows a user meets. A new window gets a row here.
WINDOWS = [
    Window("Sonaro - tone.wav",
           names=["File", "Open...", "Import...", "Convert Several Files...", "Save As...", "Exit",
                  "Convert", "Settings...",
                  "Help Topics", "About Sonaro...", "Open", "Save As", "Play", "Stop",
                  "More buttons", "File information", "Tavrin Palmet handheld"] + LINES_44K,
           described=[("Open", "Open an existing document"),
                      ("Convert", "Convert the active WAV file"),
                      ("File information", ", ".join(LINES_44K))]),
    Window("Settings", opened_by=("menu item", "Settings..."),
           names=["OK", "Cancel", "Help", "Conversion Volume Level", "Low", "High",
                  "Auto-play WAV", "After open", "After conversion"],
           described=[("Help", "Show the help page of these settings")],
           closed_by=("push button", "Cancel")),
    Window("About Sonaro", opened_by=("menu item", "About Sonaro..."),
           names=["Piano keyboard", "Sonaro", "for Tavrin Palmet", "Version 1.14", "OK"],
           closed_by=("push button", "OK")),
    Window("Sonaro Help", opened_by=("menu item", "Help Topics"), names=["Sonaro Help Topics"]),
    Window("Convert Several Files", opened_by=("menu item", "Convert Several Files..."),
           names=["Add Files...", "Add Folder...", "Remove", "Clear", "Files to convert",
                  "Import sound files the WAV reader refuses", "Output folder",
                  "Choose output folder", "When a name is taken:", "Volume level", "Time left",
                  "Summary", "Open Folder", "Help", "Convert", "Cancel", "Close"],
           described=[("Files to convert", "One row for each file: its name, its folder, what "
                       "the reader says of its sound, and how its conversion stands"),
                      ("Cancel", "Stop the conversions; the files done so far stay")],
           closed_by=("push button", "Close")),
]


def check_window(win, spec):
    nodes = at.walk(win)
    print(f"--- {spec.title}")
    for node in nodes:
        print(node.line())
    names = [node.name for node in nodes]
    for node in nodes:
        where = f"{spec.title}: [{node.role}]"
        if node.needs_name:
            check(node.name.strip() != "", f"{where} has no name")
            check(node.name == node.name.strip() and "\t" not in node.name,
                  f"{where} {node.name!r} has blanks or a tab in its name")
        if node.role in at.KEYBOARD_ROLES and node.showing:
            check(node.focusable, f"{where} {node.name!r} cannot be reached by the keyboard")
        if node.role == "menu item":
            check(node.keys != "", f"{where} {node.name!r} has no key")
    for name in spec.names:
        check(name in names, f"{spec.title}: nothing named {name!r}")
    for name, description in spec.described:
        found = [node.description for node in nodes if node.name == name]
        check(description in found, f"{spec.title}: {name!r} not described as {description!r}")


def view_lines(main):
    """The labels of the information view, or nothing when no view of that name is there."""
    view = at.find(main, "panel", "File information")
    return [node.name for node in at.walk(view) if node.role == "label"] if view else []


def convert_and_hear(app, main, title):
    """Converts the open file; answers the view's lines afterwards and what was announced."""
    listener = at.Listener()
    at.act(main, "push button", "Convert")
    main = at.window(app, title + " *")
    at.wait_for(lambda: any(e[1] == "panel" for e in listener.heard), "announcement of the view")
    listener.close()
    return view_lines(main), listener.heard


def main_flow(sonaro, codecs, work):
    tone = os.path.join(work, "tone.wav")
    slow = os.path.join(work, "slow.wav")
    stereo_tone(tone)
    slow_voxware(slow, seconds=600)
    env = dict(os.environ, SONARO_CODEC_PATH=codecs, TMPDIR=work)
    program = subprocess.Popen([sonaro, tone], env=env)
    try:
        app = at.application("Sonaro")
        main = at.window(app, "Sonaro - tone.wav")
        lines = view_lines(main)
        check(lines == LINES_44K, f"the view reads {lines}")
        for spec in WINDOWS:
            if spec.opened_by:
                at.act(main, *spec.opened_by)
            check_window(at.window(app, spec.title), spec)
            if spec.closed_by:
                at.act(at.window(app, spec.title), *spec.closed_by)
                at.gone(app, spec.title)

        # Converting changes the lines, and each changed line is announced with the summary.
        lines, heard = convert_and_hear(app, main, "Sonaro - tone.wav")
        check([lines[i] for i in (0, 1, 3, 4, 5)] ==
              ["Format: A-Law", "Size: 24 kB", "Sampling rate: 8000 Hz", "Channels: mono",
               "Bit depth: 8 bits"], f"after the conversion the view reads {lines}")
        changed = [line for line, before in zip(lines, LINES_44K) if line != before]
        announced = [e[2] for e in heard
                     if e[0].endswith("accessible-name") and e[4] == "File information"]
        check(announced == changed, f"announced lines {announced}, changed {changed}")
        summaries = [e[3] for e in heard if e[0].endswith("accessible-description")]
        check(summaries[-1:] == [", ".join(lines)], f"announced summaries {summaries}")

        # Open through the menu and the file dialog, as a screen reader user does: the save
        # prompt first, then the name typed into the dialog's field.
        at.act(main, "menu item", "Open...")
        prompt = at.window(app, "Sonaro")
        check_window(prompt, Window("Sonaro", names=["Warning", "Yes", "No", "Cancel"]))
        at.act(prompt, "push button", "No")
        dialog = at.window(app, "Open")
        check_window(dialog, Window("Open", names=["Open", "Cancel"]))
        at.type_into(dialog, slow)
        at.act(dialog, "push button", "Open")
        main = at.window(app, "Sonaro - slow.wav")

        # The progress window of a long conversion, then Cancel pressed through AT-SPI.
        at.act(main, "push button", "Convert")
        progress = at.window(app, "Converting...")
        check_window(progress, Window("Converting...",
                                      names=["slow.wav", "Conversion progress", "Cancel"],
                                      described=[("Cancel", "Stop the conversion")]))
        at.act(progress, "push button", "Cancel")
        message = at.window(app, "Sonaro")
        check_window(message, Window("Sonaro", names=["Warning", "Conversion cancelled.", "OK"]))
        at.act(message, "push button", "OK")
        at.gone(app, "Sonaro")
    finally:
        program.terminate()
        program.wait(timeout=30)
        for action in at.finish_actions():
            check(False, f"could not press {action}")


def main():
    sonaro, codecs = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        try:
            main_flow(sonaro, codecs, work)
        except TimeoutError as error:
            check(False, str(error))
    if failures:
        print(f"windows_test: {len(failures)} failures")
        return 1
    print("windows_test: all windows named and read")
    return 0


if __name__ == "__main__":
    sys.exit(main())
