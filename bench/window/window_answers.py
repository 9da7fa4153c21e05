"""Times the window's own answers while something else happens: asks the
program's window for its place on the screen through the accessibility bus
(AT-SPI, answered by the window's thread, like a click) again and again and
prints the slowest answer in milliseconds.

    window_answers.py <pid> <seconds>

Prints "worst_ms=<n> answers=<n>"; "worst_ms=-1" when the window was not
found within 20 s.
"""
import sys
import time

import pyatspi

PID = int(sys.argv[1])
SECONDS = float(sys.argv[2])
PAUSE_S = 0.02


def window():
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == PID and app.childCount > 0:
                return app[0]
        time.sleep(0.1)
    return None


frame = window()
if frame is None:
    print("worst_ms=-1 answers=0")
    sys.exit(1)
component = frame.queryComponent()
print("ready", flush=True)
worst = 0.0
answers = 0
end = time.monotonic() + SECONDS
while time.monotonic() < end:
    t0 = time.monotonic()
    component.getExtents(pyatspi.DESKTOP_COORDS)  # never cached: a call each time
    worst = max(worst, time.monotonic() - t0)
    answers += 1
    time.sleep(PAUSE_S)
print(f"worst_ms={worst * 1000:.0f} answers={answers}")
