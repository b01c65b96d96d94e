#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads Miravel's windows through AT-SPI, as a screen reader does.

Runs inside a D-Bus session with an X display (scripts/atspi-check.sh sets
both up). It says to the accessibility bus that a screen reader is running,
starts the program, and then, only through AT-SPI:

  1. finds the registration edits by their names («Ф.И.О.», «№ группы») and
     types the student's name and group into them (EditableText);
  2. presses «Открыть», fills the file dialog's file name with the sample test
     and presses its Open button;
  3. presses «Начать» and finds the question text and its four radio buttons,
     named by the options of the test's source;
  4. picks an option, presses «Ответить», and hears the next question's text
     announced (a name or text change event from the question label).

Every wait has a deadline. Exits 0 when all holds; otherwise prints what was
missing, with the controls it did see, and exits 1.
"""

import argparse
import os
import re
import select
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402

REGISTRATION_NAMES = ("Ф.И.О.", "№ группы")
STUDENT = ("Иванов Иван", "ГР-11")
EDIT_ROLES = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY}
LABEL_ROLES = {pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC}


class CheckFailed(Exception):
    pass


def log(message):
    print(message, flush=True)


def normalize(text):
    return " ".join((text or "").split())


# --- the sample test's source: the questions and options the screen must show


def read_questions(source_path, count):
    """The first `count` questions of a miravel-make source, as
    (question text, [four option texts]), whitespace normalized."""
    with open(source_path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f]
    option = re.compile(r"^\s*([A-D])[.)]\s+(.*)$")
    questions = []
    # The header ends at the first blank line after some text.
    i = 0
    seen_text = False
    while i < len(lines):
        line = lines[i]
        i += 1
        if line.lstrip().startswith("#"):
            continue
        if line.strip():
            seen_text = True
        elif seen_text:
            break
    while i < len(lines) and len(questions) < count:
        text_lines, options = [], []
        while i < len(lines):
            line = lines[i]
            i += 1
            if line.lstrip().startswith("#") or (not line.strip() and not text_lines):
                continue
            m = option.match(line)
            if m:
                options.append(m.group(2))
                if len(options) == 4:
                    break
            elif options:
                options[-1] += " " + line.strip()
            else:
                text_lines.append(line.strip())
        while i < len(lines) and not lines[i].upper().startswith("ANSWER"):
            i += 1
        i += 1
        if len(options) != 4:
            raise CheckFailed(f"{source_path}: could not read question {len(questions) + 1}")
        questions.append((normalize(" ".join(text_lines)), [normalize(o) for o in options]))
    return questions


# --- AT-SPI helpers


def pump(seconds=0.0):
    """Lets events in for `seconds` (at least one round of the main context)."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.02)


def wait_for(what, probe, timeout, describe=None):
    """Calls probe() until it returns something true, at most `timeout` s."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            result = probe()
            if result:
                return result
        except GLib.Error as e:  # the program's answer was late or it is busy
            last_error = e
        pump(0.1)
    detail = f"\n  last AT-SPI error: {last_error}" if last_error else ""
    seen = f"\n{describe()}" if describe else ""
    raise CheckFailed(f"timed out after {timeout:g} s waiting for {what}{detail}{seen}")


def role_name(acc):
    try:
        return acc.getRoleName()
    except GLib.Error:
        return "?"


def walk(acc, depth=0, limit=2000):
    """Every object under `acc` (itself included), depth first, with its depth."""
    out = []
    stack = [(acc, 0)]
    while stack and len(out) < limit:
        node, d = stack.pop()
        out.append((node, d))
        try:
            children = [node.getChildAtIndex(k) for k in range(node.childCount)]
        except GLib.Error:
            children = []
        for child in reversed(children):
            if child is not None:
                stack.append((child, d + 1))
    return out


def states(acc):
    try:
        return acc.getState()
    except GLib.Error:
        return None


def has(acc, state):
    s = states(acc)
    return s is not None and s.contains(state)


def showing(acc):
    return has(acc, pyatspi.STATE_SHOWING)


def describe_tree(root, only_showing=False):
    lines = []
    for acc, d in walk(root):
        if only_showing and d > 0 and not showing(acc):
            continue
        flags = []
        for state, word in ((pyatspi.STATE_SHOWING, "showing"), (pyatspi.STATE_SENSITIVE, "enabled"),
                            (pyatspi.STATE_CHECKED, "checked"), (pyatspi.STATE_FOCUSED, "focused")):
            if has(acc, state):
                flags.append(word)
        lines.append(f"  {'  ' * d}{role_name(acc)} «{acc.name}» [{' '.join(flags)}]")
    return "\n".join(lines)


def find_all(root, roles, name=None, only_showing=True):
    found = []
    for acc, _ in walk(root):
        try:
            if acc.getRole() not in roles:
                continue
        except GLib.Error:
            continue
        if only_showing and not showing(acc):
            continue
        if name is not None and normalize(acc.name) != normalize(name):
            continue
        found.append(acc)
    return found


def press(acc, what):
    action = acc.queryAction()
    names = [action.getName(k).lower() for k in range(action.nActions)]
    for wanted in ("press", "click", "activate", "toggle"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    raise CheckFailed(f"{what} offers no press action (it offers {names})")


def text_of(acc):
    try:
        return acc.queryText().getText(0, -1)
    except (NotImplementedError, GLib.Error):
        return None


# --- the program


class VirtualDisplay:
    """An Xvfb server on a display number it picks itself (-displayfd)."""

    def __init__(self, timeout):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline:
                    raise CheckFailed(f"Xvfb did not start within {timeout:g} s")
                ready, _, _ = select.select([read_end], [], [], 0.5)
                if ready:
                    chunk = os.read(read_end, 16)
                    if not chunk:
                        raise CheckFailed(f"Xvfb ended at its start (status {self.process.wait()})")
                    number += chunk
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class Program:
    def __init__(self, path, env):
        self.process = subprocess.Popen([path], env=env, stdin=subprocess.DEVNULL)

    def application(self, timeout):
        def probe():
            if self.process.poll() is not None:
                raise CheckFailed(f"the program exited with status {self.process.returncode}")
            desktop = pyatspi.Registry.getDesktop(0)
            for k in range(desktop.childCount):
                app = desktop.getChildAtIndex(k)
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            return None

        def seen():
            desktop = pyatspi.Registry.getDesktop(0)
            apps = [desktop.getChildAtIndex(k) for k in range(desktop.childCount)]
            return ("  applications on the accessibility bus: " +
                    (", ".join(f"«{a.name}» (pid {a.get_process_id()})" for a in apps if a) or "none") +
                    "\n  (Qt joins the bus only when org.a11y.Status says a screen reader runs,"
                    " or when QT_LINUX_ACCESSIBILITY_ALWAYS_ON is set)")

        return wait_for(f"the program (pid {self.process.pid}) on the accessibility bus", probe,
                        timeout, seen)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def say_screen_reader_runs():
    """Sets org.a11y.Status.ScreenReaderEnabled, as a screen reader does at its
    start; Qt turns its AT-SPI bridge on when it reads that at start-up."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
                  GLib.Variant("(ssv)", ("org.a11y.Status", "ScreenReaderEnabled", GLib.Variant("b", True))),
                  None, Gio.DBusCallFlags.NONE, 10000, None)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--test-file", required=True, help="the compiled sample test (.DLL)")
    parser.add_argument("--source", required=True, help="its miravel-make source")
    parser.add_argument("--timeout", type=float, default=20, help="seconds for each wait")
    args = parser.parse_args()
    t = args.timeout

    questions = read_questions(args.source, 2)
    display = VirtualDisplay(t)
    program = None
    try:
        log(f"Xvfb runs on display {display.display}")
        if os.environ.get("QT_LINUX_ACCESSIBILITY_ALWAYS_ON") is None:
            say_screen_reader_runs()
        env = dict(os.environ, DISPLAY=display.display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        program = Program(args.program, env)
        run_program(program, args, questions)
    finally:
        if program is not None:
            program.stop()
        display.stop()


def windows(app):
    """The program's top-level windows that are showing."""
    return [w for w in (app.getChildAtIndex(k) for k in range(app.childCount))
            if w is not None and showing(w)]


def run_program(program, args, questions):
    t = args.timeout
    started = time.monotonic()
    app = program.application(t)
    log(f"found the program on the accessibility bus: «{app.name}» "
        f"({time.monotonic() - started:.1f} s after its start)")

    # The main window is titled with the program's name.
    frame = wait_for(f"the main window «{app.name}»",
                     lambda: next((w for w in windows(app) if w.name == app.name), None), t,
                     lambda: describe_tree(app))
    log(f"main window: {role_name(frame)} «{frame.name}»")

    # 1. Registration: the edits, found by their names.
    edits = {}
    for name in REGISTRATION_NAMES:
        edits[name] = wait_for(
            f"an editable text named «{name}» in the main window",
            lambda name=name: (find_all(frame, EDIT_ROLES, name) or [None])[0], t,
            lambda: "  what the main window shows:\n" + describe_tree(frame, only_showing=True))
        log(f"found edit «{name}» ({role_name(edits[name])})")
    for name, value in zip(REGISTRATION_NAMES, STUDENT):
        if not edits[name].queryEditableText().setTextContents(value):
            raise CheckFailed(f"the edit «{name}» refused the text «{value}»")
        wait_for(f"«{value}» in the edit «{name}»",
                 lambda name=name, value=value: normalize(text_of(edits[name])) == value, t)
        log(f"typed «{value}» into «{name}»")

    # 2. Open the sample test through the file dialog.
    open_button = wait_for(
        "an enabled push button «Открыть»",
        lambda: next((b for b in find_all(frame, {pyatspi.ROLE_PUSH_BUTTON}, "Открыть")
                      if has(b, pyatspi.STATE_SENSITIVE)), None), t,
        lambda: describe_tree(frame, only_showing=True))
    press(open_button, "«Открыть»")
    log("pressed «Открыть»")

    def file_dialog():
        return next((w for w in windows(app) if w.getRole() in
                     (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FILE_CHOOSER)), None)

    dialog = wait_for("the file dialog", file_dialog, t, lambda: describe_tree(app, only_showing=True))
    name_edit = wait_for(
        "the file dialog's file name edit",
        lambda: next((e for e in find_all(dialog, EDIT_ROLES) if "file name" in normalize(e.name).lower()),
                     None), t, lambda: describe_tree(dialog, only_showing=True))
    path = os.path.abspath(args.test_file)
    if not name_edit.queryEditableText().setTextContents(path):
        raise CheckFailed("the file dialog's file name edit refused the text")
    accept = wait_for("the file dialog's enabled Open button",
                      lambda: next((b for b in find_all(dialog, {pyatspi.ROLE_PUSH_BUTTON}, "Open")
                                    if has(b, pyatspi.STATE_SENSITIVE)), None), t,
                      lambda: describe_tree(dialog, only_showing=True))
    press(accept, "the file dialog's Open button")
    log(f"chose {path} in the file dialog")
    wait_for("the file dialog to close", lambda: file_dialog() is None, t)

    # 3. Start: the question and its four options.
    start_button = wait_for(
        "an enabled push button «Начать»",
        lambda: next((b for b in find_all(frame, {pyatspi.ROLE_PUSH_BUTTON}, "Начать")
                      if has(b, pyatspi.STATE_SENSITIVE)), None), t,
        lambda: describe_tree(frame, only_showing=True))
    press(start_button, "«Начать»")
    log("pressed «Начать»")

    def question_shown(text, options):
        labels = find_all(frame, LABEL_ROLES, text)
        radios = find_all(frame, {pyatspi.ROLE_RADIO_BUTTON})
        if len(labels) == 1 and [normalize(r.name) for r in radios] == options:
            return labels[0], radios
        return None

    text, options = questions[0]
    label, radios = wait_for(
        f"the question «{text}» as a label and four radio buttons named {options}",
        lambda: question_shown(text, options), t,
        lambda: "  what the main window shows:\n" + describe_tree(frame, only_showing=True))
    log(f"question: {role_name(label)} «{label.name}»")
    for r in radios:
        log(f"  option: {role_name(r)} «{r.name}»")

    # 4. Answer: the next question is announced.
    heard = []

    def listener(event):
        try:
            heard.append((event.type, event.source, normalize(event.source.name)))
        except GLib.Error:
            pass

    event_types = ("object:property-change:accessible-name", "object:text-changed:insert")
    pyatspi.Registry.registerEventListener(listener, *event_types)
    try:
        press(radios[0], f"the option «{radios[0].name}»")
        wait_for(f"the option «{radios[0].name}» to be checked",
                 lambda: has(radios[0], pyatspi.STATE_CHECKED), t)
        answer = wait_for(
            "an enabled push button «Ответить»",
            lambda: next((b for b in find_all(frame, {pyatspi.ROLE_PUSH_BUTTON}, "Ответить")
                          if has(b, pyatspi.STATE_SENSITIVE)), None), t,
            lambda: describe_tree(frame, only_showing=True))
        heard.clear()
        press(answer, "«Ответить»")
        log("picked the first option and pressed «Ответить»")
        next_text = questions[1][0]

        def announced():
            for kind, source, name in heard:
                try:
                    if source.getRole() not in LABEL_ROLES:
                        continue
                except GLib.Error:
                    continue
                if name == next_text or normalize(text_of(source)) == next_text:
                    return kind
            return None

        kind = wait_for(
            f"an event announcing the question «{next_text}»", announced, t,
            lambda: "  events heard:\n" + "\n".join(f"  {k} from {role_name(s)} «{n}»"
                                                     for k, s, n in heard))
        log(f"announced: {kind} «{next_text}»")
    finally:
        pyatspi.Registry.deregisterEventListener(listener, *event_types)
    log(f"AT-SPI check passed in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    try:
        main()
    except CheckFailed as e:
        print(f"AT-SPI check FAILED: {e}", file=sys.stderr, flush=True)
        sys.exit(1)
