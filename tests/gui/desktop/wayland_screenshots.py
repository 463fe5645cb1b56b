"""Captures the desktop program's windows on a Wayland compositor (the headless Weston of
desktop_session.sh, started with --debug so that weston-screenshooter may take pictures of its
screen). A Wayland client cannot send another program keys, so the program is driven through
the accessibility bus, as a screen reader drives it.

Usage (in a session of desktop_session.sh wayland): wayland_screenshots.py BUILD OUT_DIR [INPUT]"""

import glob
import os
import subprocess
import sys
import tempfile
import time

import atspi_tree as at
from sound_files import slow_voxware, stereo_tone


def shoot(out, name):
    """A picture of the whole screen, once the compositor has drawn what just showed."""
    time.sleep(0.4)
    with tempfile.TemporaryDirectory() as shots:
        subprocess.run(["weston-screenshooter"], cwd=shots, check=True)
        taken = glob.glob(os.path.join(shots, "*.png"))
        if len(taken) != 1:
            raise RuntimeError(f"weston-screenshooter took {len(taken)} pictures")
        os.replace(taken[0], os.path.join(out, name))
    print(f"screenshots: {os.path.join(out, name)}")


def main():
    build, out = sys.argv[1], sys.argv[2]
    sonaro = os.path.join(build, "app", "sonaro")
    with tempfile.TemporaryDirectory() as work:
        tone = sys.argv[3] if len(sys.argv) > 3 and sys.argv[3] else os.path.join(work, "tone.wav")
        if not os.path.exists(tone):
            stereo_tone(tone, seconds=120)
        slow = os.path.join(work, "slow.wav")
        slow_voxware(slow, seconds=600)
        codecs = os.path.join(build, "tests", "codec_driver", "voxware_test_codec")
        env = dict(os.environ, TMPDIR=work, SONARO_CODEC_PATH=codecs)
        name = os.path.basename(tone)

        # A file opened from the command line, each dialog, the result, then the help window.
        program = subprocess.Popen([sonaro, tone], env=env)
        try:
            app = at.application("Sonaro")
            main_window = at.window(app, f"Sonaro - {name}")
            shoot(out, "main-opened.png")
            for item, title, close, picture in [
                    ("Settings...", "Settings", "Cancel", "settings.png"),
                    ("About Sonaro...", "About Sonaro", "OK", "about.png")]:
                at.act(main_window, "menu item", item)
                dialog = at.window(app, title)
                shoot(out, picture)
                at.act(dialog, "push button", close)
                at.gone(app, title)
            at.act(main_window, "push button", "Convert")
            at.window(app, f"Sonaro - {name} *")
            shoot(out, "main-converted.png")
            at.act(main_window, "menu item", "Help Topics")
            at.window(app, "Sonaro Help")
            shoot(out, "help.png")
        finally:
            program.terminate()
            program.wait(timeout=30)
            at.finish_actions()

        # A conversion slow enough to be seen, cancelled.
        program = subprocess.Popen([sonaro, slow], env=env)
        try:
            app = at.application("Sonaro")
            main_window = at.window(app, "Sonaro - slow.wav")
            at.act(main_window, "push button", "Convert")
            progress = at.window(app, "Converting...")
            shoot(out, "progress.png")
            at.act(progress, "push button", "Cancel")
            message = at.window(app, "Sonaro")
            shoot(out, "cancelled.png")
            at.act(message, "push button", "OK")
            at.gone(app, "Sonaro")
        finally:
            program.terminate()
            program.wait(timeout=30)
            at.finish_actions()


if __name__ == "__main__":
    main()
