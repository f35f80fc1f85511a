#!/usr/bin/python3
"""Reads the running program over the AT-SPI bus, as a screen reader such as Orca does.

Starts the program in a folder of three files under a private X server (Xvfb), a private D-Bus
session and the AT-SPI registry, then checks over the bus that the found-files panel reads the
count; that a mask typed through the accessibility interface changes it and announces the change;
that "Далее" announces the page switch; that "Просмотреть" fills the new-name list with list
items and sets the progress bar's range; that a rename that meets a taken name moves the
progress bar, announced, and opens a message box that reads its title, prompt and button; and that
a mask set over the bus while the pass waits on that box changes nothing the pass renames.

Usage: test_screen_reader.py <path of the tarvelok program>
Exits 77 (skipped) when the X server, the bus or the registry cannot start.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import warnings

SKIPPED = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
FOUND_FILES = "Найденные файлы"


def skip(reason):
    print("SKIP: " + reason, flush=True)
    sys.exit(SKIPPED)


def fail(reason):
    print("FAIL: " + reason, flush=True)
    sys.exit(1)


class Processes:
    """The helper processes, each in a process group of its own, ended together."""

    def __init__(self):
        self.started = []

    def start(self, args, **kwargs):
        process = subprocess.Popen(args, start_new_session=True, **kwargs)
        self.started.append(process)
        return process

    def end(self):
        for process in reversed(self.started):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                continue
        for process in reversed(self.started):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()


def start_display(processes, work):
    """Starts Xvfb and returns its display, ":<n>".

    The low display numbers are the ones other X servers on the machine take (and that scripts
    clean up after themselves), so the search starts at a number of this process's own.
    """
    log = open(os.path.join(work, "xvfb.log"), "w")
    first = 100 + os.getpid() % 800
    for number in range(first, first + 20):
        read_end, write_end = os.pipe()
        server = processes.start(["Xvfb", ":%d" % number, "-displayfd", str(write_end),
                                  "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                                  # Without it the server resets whenever its last client
                                  # leaves (the bus launcher, a moment after it starts), and
                                  # refuses whoever connects meanwhile.
                                  "-noreset"],
                                 pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            ready = reader.readline().strip()  # written once the server accepts connections
        if ready:
            return ":" + ready
        server.wait()  # that number was taken: try the next
    skip("Xvfb did not start (see its log)")


def start_session_bus(processes):
    bus = processes.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    if not address:
        skip("the private D-Bus session bus did not start")
    return address


def wait_for(condition, seconds, poll):
    """Polls `condition` while letting AT-SPI events arrive; returns its last result."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result or time.monotonic() > deadline:
            return result
        poll()


def main():
    if len(sys.argv) != 2:
        fail("usage: test_screen_reader.py <program>")
    program = os.path.abspath(sys.argv[1])
    for tool in ("Xvfb", "dbus-daemon"):
        if not shutil.which(tool):
            skip(tool + " is not installed (Debian packages xvfb and dbus)")
    if not os.access(LAUNCHER, os.X_OK):
        skip(LAUNCHER + " is not installed (Debian package at-spi2-core)")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError):
        skip("the AT-SPI client library is missing (Debian packages python3-gi, gir1.2-atspi-2.0)")

    processes = Processes()
    with tempfile.TemporaryDirectory() as work:
        try:
            run(program, work, processes)
        finally:
            processes.end()


def run(program, work, processes):
    bus = start_program(program, work, processes)
    count_and_mask(bus)
    next_page(bus)
    progress = preview(bus)
    rename_meets_a_taken_name(bus, progress)
    print("PASS: the count, the mask, the page switch, the new names and their verdicts, the "
          "progress and the message box are read over AT-SPI, and a mask set mid-pass is dropped",
          flush=True)


class Bus:
    """The program as the AT-SPI bus shows it, and what the bus has announced."""

    def __init__(self, Atspi, GLib, app):
        self.Atspi = Atspi
        self.GLib = GLib
        self.app = app
        self.context = GLib.MainContext.default()
        self.heard = []
        # Kept: the bus stops calling a listener that is gone.
        self.listener = Atspi.EventListener.new(self.note)
        for kind in ("object:property-change:accessible-name",
                     "object:property-change:accessible-value", "object:state-changed:showing"):
            self.listener.register(kind)

    def poll(self):
        while self.context.iteration(False):
            pass
        time.sleep(0.05)

    def wait_for(self, condition, seconds=5):
        return wait_for(condition, seconds, self.poll)

    def note(self, event):
        kind = event.type
        if kind.startswith("object:state-changed:"):
            kind += "=%d" % event.detail1  # 1 when the state is gained, 0 when lost
        try:
            self.heard.append((kind, event.source.get_role(), event.source.get_name()))
        except self.GLib.Error:
            pass

    def objects(self, node=None):
        node = node or self.app
        for i in range(node.get_child_count()):
            child = node.get_child_at_index(i)
            if child is None:
                continue
            yield child
            yield from self.objects(child)

    def find(self, role, name=None, description=None):
        for node in self.objects():
            if node.get_role() != role:
                continue
            if name is not None and node.get_name() != name:
                continue
            if description is not None and node.get_description() != description:
                continue
            return node
        return None

    def press_node(self, button):
        for i in range(button.get_n_actions()):
            if button.get_action_name(i) == "Press":
                button.do_action(i)
                return
        fail('the button "%s" cannot be pressed over the bus' % button.get_name())

    def press(self, name):
        button = self.find(self.Atspi.Role.PUSH_BUTTON, name)
        if button is None:
            fail('no button "%s" on the bus' % name)
        self.press_node(button)

    def edit_field(self, combo):
        for i in range(combo.get_child_count()):
            child = combo.get_child_at_index(i)
            if child is not None and child.get_role() == self.Atspi.Role.TEXT:
                return child
        fail('the combo box "%s" has no text field' % combo.get_name())

    def alert(self):
        for i in range(self.app.get_child_count()):
            window = self.app.get_child_at_index(i)
            try:
                if window is not None and window.get_role() == self.Atspi.Role.ALERT:
                    return window
            except self.GLib.Error:
                # A box that closed between the listing and the question is no box any more.
                continue
        return None


def text_of(node):
    return node.get_text(0, node.get_character_count())


def start_program(program, work, processes):
    """Starts the program in a folder of three files under a private display and bus."""
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    os.environ.update({
        "HOME": work,
        "XDG_RUNTIME_DIR": runtime,
        "DISPLAY": start_display(processes, work),
    })
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(processes)
    processes.start([LAUNCHER, "--launch-immediately"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    from gi.repository import Atspi, GLib  # the bus addresses must be set first

    # The action and interface getters of this libatspi are marked deprecated in favour of calls
    # that its Python binding does not offer yet.
    warnings.filterwarnings("ignore", category=DeprecationWarning)
    context = GLib.MainContext.default()

    def poll():
        while context.iteration(False):
            pass
        time.sleep(0.05)

    folder = os.path.join(work, "files")
    os.mkdir(folder)
    for name in ("a.txt", "b.txt", "c.txt", "b.doc"):
        with open(os.path.join(folder, name), "w") as file:
            file.write(name)

    environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                       LANG="C.UTF-8", LC_ALL="C.UTF-8")
    app_log = open(os.path.join(work, "tarvelok.log"), "w")
    tarvelok = processes.start([program], cwd=folder, env=environment,
                               stdout=app_log, stderr=subprocess.STDOUT)

    def application():
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == "tarvelok" and child.get_child_count():
                return child
        return None

    try:
        app = wait_for(lambda: application() or tarvelok.poll() is not None, 20, poll)
        app = app if app is not True else None
    except GLib.Error as error:
        skip("the AT-SPI registry cannot be reached: %s" % error.message)
    if app is None:
        if tarvelok.poll() is not None:
            app_log.flush()
            fail("the program ended with %s:\n%s\nX server log:\n%s\nX server running: %s" % (
                tarvelok.returncode, open(app_log.name).read(),
                open(os.path.join(work, "xvfb.log")).read(), processes.started[0].poll() is None))
        skip("the program did not appear on the AT-SPI bus within 20 s; is the registry "
             "(at-spi2-registryd) running?")
    app.set_cache_mask(Atspi.Cache.NONE)
    bus = Bus(Atspi, GLib, app)
    bus.folder = folder
    return bus


def count_and_mask(bus):
    """The count reads where a sighted user reads it; a mask typed over the bus changes it."""
    Role = bus.Atspi.Role
    panel = bus.find(Role.LABEL, description=FOUND_FILES)
    if panel is None:
        fail("no status panel described as " + FOUND_FILES)
    if panel.get_parent().get_role() != Role.STATUS_BAR:
        fail("the found-files panel is not in a status bar")
    check("the count at start", panel.get_name(), "Найдено файлов:  4")

    # The mask box: named by what it is for, holding the mask.
    mask = bus.find(Role.COMBO_BOX, "Маска")
    bus.mask = mask  # hidden on the naming page, where the pass is disturbed through it
    if mask is None:
        fail('no combo box named "Маска"; combo boxes: %s' % [
            n.get_name() for n in bus.objects() if n.get_role() == Role.COMBO_BOX])
    check("the mask box's text", text_of(mask), "*.*")

    del bus.heard[:]
    bus.edit_field(mask).set_text_contents("*.txt")
    bus.wait_for(lambda: panel.get_name() == "Найдено файлов:  3")
    check("the count after the mask *.txt", panel.get_name(), "Найдено файлов:  3")
    renamed = ("object:property-change:accessible-name", Role.LABEL, "Найдено файлов:  3")
    bus.wait_for(lambda: renamed in bus.heard)
    expect_heard(bus.heard, *renamed)
    check("the mask box's text after typing", text_of(mask), "*.txt")


def next_page(bus):
    """"Далее": the selection page goes, the naming page shows, and both are announced. (Without a
    window manager the window is never active, so the focus move is not heard here.)"""
    Role = bus.Atspi.Role
    del bus.heard[:]
    bus.press("Далее")
    hidden = ("object:state-changed:showing=0", Role.PUSH_BUTTON, "Далее")
    shown = ("object:state-changed:showing=1", Role.TEXT, "Имя")
    bus.wait_for(lambda: hidden in bus.heard and shown in bus.heard)
    expect_heard(bus.heard, *hidden)
    expect_heard(bus.heard, *shown)
    for name in ("Добавка", "Окончание"):
        if bus.find(Role.COMBO_BOX, name) is None:
            fail('no combo box named "%s" on the naming page' % name)


def preview(bus):
    """The ending ".doc", typed over the bus, then "Просмотреть": the new names are list items.
    Returns the progress bar."""
    Role = bus.Atspi.Role
    ending = bus.find(Role.COMBO_BOX, "Окончание")
    bus.edit_field(ending).set_text_contents(".doc")
    bus.wait_for(lambda: text_of(ending) == ".doc")
    check("the ending box's text", text_of(ending), ".doc")
    del bus.heard[:]
    bus.press("Просмотреть")
    new_names = bus.find(Role.LIST, "Переименованные")
    if new_names is None:
        fail('no list named "Переименованные"')

    def rows():
        return [new_names.get_child_at_index(i).get_name()
                for i in range(new_names.get_child_count())
                if new_names.get_child_at_index(i).get_role() == Role.LIST_ITEM]

    bus.wait_for(lambda: rows() == ["a.doc", "b.doc", "c.doc"])
    check("the new-name rows", rows(), ["a.doc", "b.doc", "c.doc"])

    # b.doc is taken by a file outside the mask: its row says so, and the count of such rows takes
    # the bar's place and is announced.
    def descriptions():
        return [new_names.get_child_at_index(i).get_description()
                for i in range(new_names.get_child_count())
                if new_names.get_child_at_index(i).get_role() == Role.LIST_ITEM]

    expected = ["", "Имя занято: в папке уже есть «b.doc»", ""]
    bus.wait_for(lambda: descriptions() == expected)
    check("the new-name rows' descriptions", descriptions(), expected)
    count = ("object:property-change:accessible-name", Role.LABEL, "Не будут переименованы: 1")
    bus.wait_for(lambda: count in bus.heard)
    expect_heard(bus.heard, *count)
    progress = bus.find(Role.PROGRESS_BAR, "Ход работы")
    if progress is None:
        fail('no progress bar named "Ход работы"')
    check("the progress bar's range", progress.get_maximum_value(), 3.0)
    return progress


def rename_meets_a_taken_name(bus, progress):
    """"Переименовать": b.doc is taken, so the pass stops on the second row with a message box;
    the bar has moved by then, and the box reads its title, prompt and button."""
    Role = bus.Atspi.Role
    del bus.heard[:]
    bus.press("Переименовать")
    box = bus.wait_for(bus.alert)
    if box is None:
        fail("no message box appeared on the bus")
    check("the message box's title", box.get_name(), "Ошибка !!!")
    texts = [node.get_name() for node in bus.objects(box) if node.get_role() == Role.LABEL]
    if "Файл с именем b.doc уже существует" not in texts:
        fail("the message box's prompt is not read; its labels: %s" % texts)
    buttons = [node for node in bus.objects(box) if node.get_role() == Role.PUSH_BUTTON]
    if len(buttons) != 1 or not buttons[0].get_name():
        fail("the message box should read one named button: %s" % [b.get_name() for b in buttons])
    check("the progress while the box is open", progress.get_current_value(), 1.0)
    moved = ("object:property-change:accessible-value", Role.PROGRESS_BAR, "Ход работы")
    bus.wait_for(lambda: moved in bus.heard)
    expect_heard(bus.heard, *moved)
    # A mask set over the bus meanwhile is dropped, as a press is: c.txt still gets c.doc, not
    # the file that a re-read list under "*" would put on its row.
    bus.edit_field(bus.mask).set_text_contents("*")
    bus.press_node(buttons[0])
    bus.wait_for(lambda: bus.alert() is None)
    if bus.alert() is not None:
        fail("the message box did not close when its button was pressed over the bus")
    bus.wait_for(lambda: progress.get_current_value() == 0.0)
    check("the progress after the pass", progress.get_current_value(), 0.0)
    bus.wait_for(lambda: text_of(bus.mask) == "*.txt")
    check("the mask after the pass", text_of(bus.mask), "*.txt")
    contents = {name: open(os.path.join(bus.folder, name)).read()
                for name in os.listdir(bus.folder)}
    check("the folder after the pass", contents,
          {"a.doc": "a.txt", "b.doc": "b.doc", "b.txt": "b.txt", "c.doc": "c.txt"})


def check(what, actual, expected):
    if actual != expected:
        fail("%s: expected %r, read %r" % (what, expected, actual))


def expect_heard(heard, kind, role, name):
    if (kind, role, name) not in heard:
        fail("no %s for %r was heard; heard %s" % (kind, name, heard))


if __name__ == "__main__":
    main()
