"""The skin window through AT-SPI: names, roles, states and values of its
controls, their actions, the announcements of a new song, and the keyboard's
walk through the controls with its focus mark.

Run by accessibility-test.sh inside a private session bus and an X display:
    accessibility_test.py <program folder> [screenshot.png]
"""
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PROG = sys.argv[1]
SHOT = sys.argv[2] if len(sys.argv) > 2 else ""
R = pyatspi  # roles and states
failures = []


class Timeout(Exception):
    pass


def pump():
    ctx = GLib.MainContext.default()
    while ctx.iteration(False):
        pass


def wait_for(what, probe, timeout=20.0):
    """Polls probe() until it returns something true; its value is returned."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                return value
        except GLib.Error as e:  # an object that went away while being read
            last = e
        if time.monotonic() > deadline:
            raise Timeout(f"timed out waiting for {what}" + (f" ({last})" if last else ""))
        time.sleep(0.05)


def check(ok, text):
    if not ok:
        failures.append(text)
        print("FAIL:", text)
    return ok


def states(acc):
    s = acc.getState()
    return {st for st in ALL_STATES if s.contains(st)}


ALL_STATES = [R.STATE_ENABLED, R.STATE_SENSITIVE, R.STATE_SHOWING, R.STATE_VISIBLE, R.STATE_FOCUSABLE,
              R.STATE_FOCUSED, R.STATE_CHECKABLE, R.STATE_CHECKED, R.STATE_PRESSED, R.STATE_SELECTED,
              R.STATE_ACTIVE]


def walk(acc, depth=0):
    yield acc
    if depth > 6 or acc.getRole() == R.ROLE_LIST:
        return  # list lines are read through the list
    for child in acc:
        if child is not None:
            yield from walk(child, depth + 1)


# ---- the program ----

env = dict(os.environ)
program = subprocess.Popen([os.path.join(PROG, "velmaris"), os.path.join(PROG, "songs.m3u")],
                           stdout=open(os.path.join(PROG, "out.log"), "w"), stderr=subprocess.STDOUT, env=env)
wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def application():
    if program.poll() is not None:
        raise Timeout(f"the program ended with status {program.returncode} before it was on the bus")
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == program.pid:
            return app
    return None


def controls():
    """Every object below the window by (name, role)."""
    found = {}
    for acc in walk(frame):
        found.setdefault((acc.name, acc.getRole()), acc)
    return found


def control(name, role=None):
    for (n, r), acc in controls().items():
        if n == name and (role is None or r == role):
            return acc
    raise KeyError(f"no control named {name!r}")


def value(acc):
    return acc.queryValue().currentValue


def act(acc, action):
    """Runs the named action of acc (as a screen reader does)."""
    a = acc.queryAction()
    names = [a.getName(i) for i in range(a.nActions)]
    for i, n in enumerate(names):
        if n.lower() == action.lower():
            a.doAction(i)
            return
    raise KeyError(f"{acc.name!r} has no action {action!r}; it has {names}")


def focused_name():
    for acc in walk(frame):
        if acc is not frame and R.STATE_FOCUSED in states(acc):
            return acc.name
    return None


try:
    app = wait_for("the program on the accessibility bus", application)
    frame = wait_for("the window", lambda: next((w for w in app if w is not None and w.getRole() == R.ROLE_FRAME
                                                 and R.STATE_SHOWING in states(w)), None))
    wait_for("the first song to play", lambda: R.STATE_SHOWING in states(control("Pause")))
    caption = wait_for("the caption with the song", lambda: next((a for (n, r), a in controls().items()
                                                    if r == R.ROLE_LABEL and n == "Velmaris Alpha Tone"), None))

    # ---- names, roles, states and values ----
    PUSH, TOGGLE, SLIDER, LABEL = R.ROLE_PUSH_BUTTON, R.ROLE_TOGGLE_BUTTON, R.ROLE_SLIDER, R.ROLE_LABEL
    ON, OFF = R.STATE_SHOWING, R.STATE_CHECKED
    # name, role, states it has, states it lacks, value check
    table = [
        ("Options", PUSH, {ON, R.STATE_ENABLED, R.STATE_FOCUSABLE}, set(), None),
        ("Make Transparent", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Minimize", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Close", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Load mp3s", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Rewind 10 seconds", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Fast forward 10 seconds", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Previous song", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Play", PUSH, set(), {ON}, None),
        ("Pause", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Stop", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Next song", PUSH, {ON, R.STATE_ENABLED}, set(), None),
        ("Shuffle On/Off", TOGGLE, {ON}, {OFF, R.STATE_PRESSED}, None),
        ("Repeat Song", TOGGLE, {ON}, {OFF, R.STATE_PRESSED}, None),
        ("Show/Hide Playlist", PUSH, {ON}, set(), None),
        ("Volume", SLIDER, {ON, R.STATE_FOCUSABLE}, set(),
         lambda a: 0 <= value(a) <= 100 and a.queryValue().maximumValue == 100),
        ("Position", SLIDER, {ON, R.STATE_FOCUSABLE}, set(),
         lambda a: a.queryValue().maximumValue == 40 and 0 <= value(a) <= 40),
        ("Playlist", R.ROLE_LIST, set(), {ON}, None),
        ("Quick find", R.ROLE_TEXT, set(), {ON}, None),
    ]
    found = controls()
    for name, role, has, lacks, good in table:
        acc = next((a for (n, r), a in found.items() if n == name), None)
        if not check(acc is not None, f"{name}: not on the bus"):
            continue
        # Qt before 6.5 has no toggle role: a push button that is checkable.
        roles = {role, PUSH} if role == TOGGLE else {role}
        check(acc.getRole() in roles, f"{name}: role {acc.getRoleName()}, want {role}")
        st = states(acc)
        check(has <= st, f"{name}: lacks states {sorted(map(str, has - st))}")
        check(not (lacks & st), f"{name}: has states {sorted(map(str, lacks & st))}")
        if good:
            check(good(acc), f"{name}: value {value(acc)} of {acc.queryValue().maximumValue}")

    # The texts are labels holding what the window draws.
    labels = [n.strip() for (n, r) in found if r == LABEL]
    check("Alpha Tone.mp3" in labels, f"the song's label is missing: {labels}")
    check(any(re.fullmatch(r"\[\d\d:\d\d\]", n) for n in labels), f"no position label: {labels}")
    check("[00:40] total time" in labels, f"no length label: {labels}")
    check(frame.name == caption.name, f"window named {frame.name!r}, caption {caption.name!r}")

    # ---- actions run the mouse's handlers ----
    height = lambda: frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).height
    act(frame, "Fold")
    wait_for("the window folded to its caption", lambda: height() < 30)
    act(frame, "Fold")
    wait_for("the window unfolded", lambda: height() == 115)
    act(control("Stop"), "Press")
    wait_for("Play offered after Stop", lambda: {ON, R.STATE_ENABLED} <= states(control("Play")))
    check(ON not in states(control("Pause")), "Pause still shown after Stop")
    act(control("Play"), "Press")
    wait_for("Pause offered after Play", lambda: ON in states(control("Pause")) and ON not in states(control("Play")))

    shuffle = control("Shuffle On/Off")
    act(shuffle, "Toggle")
    wait_for("shuffle pressed", lambda: {OFF, R.STATE_PRESSED} <= states(control("Shuffle On/Off")))
    act(control("Repeat Song"), "Toggle")
    wait_for("repeat pressed, shuffle released",
             lambda: OFF in states(control("Repeat Song")) and OFF not in states(control("Shuffle On/Off")))
    act(control("Repeat Song"), "Toggle")
    wait_for("repeat released", lambda: OFF not in states(control("Repeat Song")))

    volume = control("Volume")
    volume.queryValue().currentValue = 30
    wait_for("volume 30", lambda: value(control("Volume")) == 30)
    check(volume.description.startswith("Volume ("), f"volume description {volume.description!r}")
    act(volume, "Raise by a step")
    wait_for("volume raised by the right click's step", lambda: value(control("Volume")) == 45)
    position = control("Position")
    position.queryValue().currentValue = 25
    wait_for("position 25 s", lambda: value(control("Position")) >= 25)
    act(control("Position"), "Decrease")
    wait_for("position back 10 s", lambda: 15 <= value(control("Position")) < 25)

    # ---- a new song is announced ----
    names = []
    listener = lambda e: names.append((e.source.getRole(), e.source.name))
    pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
    act(control("Next song"), "Press")
    wait_for("the new song's name announced", lambda: (LABEL, " Beta Tone.mp3") in names)
    wait_for("the caption's change announced", lambda: (R.ROLE_FRAME, caption.name) in names and "Beta" in caption.name)
    pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-name")

    # ---- the keyboard ----
    # Activating the window gives none of the skin's controls the focus:
    # its own keys act until Tab is pressed.
    wid = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(program.pid)],
                         capture_output=True, text=True, timeout=20).stdout.split()[0]
    subprocess.run(["xdotool", "mousemove", "1000", "750", "windowactivate", "--sync", wid], check=True, timeout=20)
    wait_for("the window active", lambda: R.STATE_ACTIVE in states(frame))

    def key(*keys):
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True, timeout=10)

    def tab_to(name, back=False, limit=30):
        for _ in range(limit):
            key("shift+Tab" if back else "Tab")
            if wait_for("the focus to move", focused_name) == name:
                return
        raise Timeout(f"Tab never reached {name!r}")

    check(focused_name() is None, f"{focused_name()!r} has the focus before any key")

    # ---- the playlist ----
    act(control("Show/Hide Playlist"), "Press")
    playlist = wait_for("the playlist shown", lambda: (lambda a: a if ON in states(a) else None)(control("Playlist")))
    lines = [playlist.getChildAtIndex(i) for i in range(playlist.childCount)]
    check([l.name for l in lines] == ["Alpha Tone.mp3", "Beta Tone.mp3"], f"playlist lines {[l.name for l in lines]}")
    check(R.STATE_FOCUSED in states(lines[1]), "the playing line is not the focused line")

    order = ["Options", "Make Transparent", "Minimize", "Close", "Load mp3s", "Rewind 10 seconds", "Position",
             "Fast forward 10 seconds", "Volume", "Previous song", "Pause", "Stop", "Next song", "Shuffle On/Off",
             "Repeat Song", "Show/Hide Playlist", "Playlist", "Move Up", "Move Down", "Remove file from playlist",
             "Add directory to playlist", "New Playlist", "Save Playlist As..."]
    tab_to(order[0])
    seen = []
    for _ in order:
        before = focused_name()
        key("Tab")
        seen.append(wait_for("the focus to move", lambda: (lambda f: f if f != before else None)(focused_name())))
    check(seen == order[1:] + order[:1], f"Tab order {seen}")
    key("shift+Tab")
    check(wait_for("Shift+Tab", lambda: focused_name() != "Options" and focused_name()) == order[-1],
          f"Shift+Tab from the first control reached {focused_name()!r}")

    # Space and Enter press; the focus stays where Play and Pause take turns.
    tab_to("Pause")
    if SHOT:
        subprocess.run(["import", "-window", "root", SHOT], check=True, timeout=20)
    key("space")
    wait_for("Space pressed Pause", lambda: ON in states(control("Play")) and focused_name() == "Play")
    key("Return")
    wait_for("Enter pressed Play", lambda: ON in states(control("Pause")) and focused_name() == "Pause")

    # The arrow keys move the sliders by the buttons' steps.
    tab_to("Volume", back=True)
    start = value(control("Volume"))
    key("Up")
    wait_for("Up: one percent more", lambda: value(control("Volume")) == start + 1)
    key("Page_Down")
    wait_for("Page Down: the right click's step less", lambda: value(control("Volume")) == start + 1 - 15)
    tab_to("Position", back=True)
    control("Position").queryValue().currentValue = 5
    wait_for("position 5 s", lambda: 5 <= value(control("Position")) < 10)
    key("Right")
    wait_for("Right: as the fast forward button", lambda: 15 <= value(control("Position")) < 20)

    # The focus mark shows only while the keyboard is in use.
    tab_to("Next song")
    nxt = control("Next song")
    ext = nxt.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    crop = f"{ext.width + 8}x{ext.height + 8}+{ext.x - 4}+{ext.y - 4}"

    def pixels():
        return subprocess.run(["import", "-window", "root", "-crop", crop, "rgb:-"], capture_output=True,
                              check=True, timeout=20).stdout

    marked = pixels()
    # A press on the volume control (a drag that moves nothing) is mouse use.
    vol = control("Volume").queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(vol.x + 2), str(vol.y + 2), "click", "1",
                    "mousemove", "1000", "750"], check=True, timeout=10)
    unmarked = wait_for("the mark gone after a click", lambda: (lambda p: p if p != marked else None)(pixels()))
    check(len(marked) == len(unmarked) > 0, "screenshots of the mark differ in size")
    key("Tab", "shift+Tab")
    wait_for("the mark back with the keyboard", lambda: focused_name() == "Next song" and pixels() == marked)

    # Esc hands the keys back to the window: Right is the next song again.
    key("Escape")
    wait_for("no control focused after Esc", lambda: focused_name() is None)
    song = lambda: next((n.strip() for (n, r) in controls() if r == LABEL and n.endswith(".mp3")), None)
    now = song()
    # A popup is no child of the application on the bus: it is seen as a
    # second window of the program on the display.
    menu = lambda: len(subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(program.pid)],
                                      capture_output=True, text=True, timeout=10).stdout.split()) == 2
    key("shift+F10")
    wait_for("Shift+F10 opening the window's menu", menu)
    key("Escape")
    wait_for("the menu closed", lambda: not menu())
    key("Right")
    wait_for("Right: the next song", lambda: song() not in (None, now))

    # The playlist keeps its keys: Up moves the focused line, Enter plays it.
    tab_to("Playlist")
    target = next(l.name for l in lines if l.name != song())
    key("Up" if target == "Alpha Tone.mp3" else "Down")
    wait_for("the focused line moved", lambda: R.STATE_FOCUSED in states(
        next(l for l in [playlist.getChildAtIndex(i) for i in range(playlist.childCount)] if l.name == target)))
    key("Return")
    wait_for("Enter plays the focused line", lambda: song() == target)
except (Timeout, KeyError, GLib.Error) as e:
    failures.append(str(e))
    print("FAIL:", e)
finally:
    program.terminate()
    try:
        program.wait(timeout=20)
    except subprocess.TimeoutExpired:
        program.kill()
    wm.terminate()
    wm.wait(timeout=20)

if failures:
    print(open(os.path.join(PROG, "out.log")).read())
    print(f"{len(failures)} failure(s)")
    sys.exit(1)
print("all checks passed")
