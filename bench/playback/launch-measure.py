#!/usr/bin/env python3
"""Whole-program measurements of the player under a virtual X server.

    bench/playback/launch-measure.py <velmaris executable> [--runs N] [--seconds S]

Makes a 3-minute 128 kbit/s MP3 with sox and lame (nothing is downloaded),
puts a copy of the program in a temporary folder with a settings file (so no
first-run dialog opens and nothing is written beside the real program), starts
Xvfb, and measures:

  * launch to first sound: the program is started with the song on its command
    line, SDL writes its output to a file (SDL_AUDIODRIVER=disk); the time from
    the start of the process until the first sample above silence appears in
    that file. Median and spread over several launches.
  * CPU while playing: user + system time of the process from /proc/<pid>/stat
    over S seconds of playing (after 2 s of settling), as a percentage of one
    core. SDL writes to a file here too (the cost of the writes is included),
    and the growth of that file shows that the song really played in real
    time.
  * memory: VmRSS (and the peak VmHWM) of the process while playing.

Only the Python standard library is used. Needs Xvfb, sox and lame.
"""
import argparse
import array
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

GOALS = {"first_sound_ms": 110.0, "cpu_percent": 0.7, "rss_mib": 38.0}
SILENCE = 64  # sample magnitude above which the output counts as sound


def make_song(folder):
    wav = os.path.join(folder, "song.wav")
    mp3 = os.path.join(folder, "song180_128k.mp3")
    subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", "-b", "16", wav,
                    "synth", "180", "sine", "300", "sine", "450", "gain", "-6"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "128", "--cbr", wav, mp3], check=True)
    os.remove(wav)
    return mp3


def start_xvfb():
    """Starts Xvfb on a free display; returns (process, display)."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    deadline = time.monotonic() + 10
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_fd, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_fd)
    if not number.strip():
        proc.kill()
        sys.exit("Xvfb did not start")
    return proc, ":" + number.decode().strip()


def program_copy(program, folder):
    """A private copy of the program with a settings file beside it."""
    exe = os.path.join(folder, "velmaris")
    shutil.copy2(program, exe)
    with open(os.path.join(folder, "VelmarisOpts.ini"), "w", newline="") as f:
        # Normal fold mode, no skin, no playlist to restore; the caption and
        # the taskbar text follow the song, so every tick rewrites them.
        f.write("[Position]\r\nTop=100\r\nLeft=100\r\n[Other]\r\nMode=1\r\n"
                "[Format]\r\nDispNormal=- $filename [$pos]\r\nDispTask=$filename $timeleft\r\n"
                # FLAC and the other formats play too (a build without them ignores it).
                "[Formats]\r\nPlayAllFormats=1\r\n")
    return exe


def environment(display, home, audio, raw=None):
    env = dict(os.environ)
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER=audio,
               XDG_STATE_HOME=os.path.join(home, "state"), XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_RUNTIME_DIR=home, HOME=home)
    env.pop("WAYLAND_DISPLAY", None)
    if raw:
        env["SDL_DISKAUDIOFILE"] = raw
    return env


def stop(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def first_sound(exe, song, env, raw, timeout=20.0):
    """Milliseconds from the process start to the first sound written."""
    if os.path.exists(raw):
        os.remove(raw)
    start = time.monotonic()
    proc = subprocess.Popen([exe, song], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = None
    offset = 0
    try:
        while found is None and time.monotonic() - start < timeout and proc.poll() is None:
            try:
                with open(raw, "rb") as f:
                    f.seek(offset)
                    data = f.read()
            except FileNotFoundError:
                data = b""
            usable = len(data) // 2 * 2
            if usable:
                now = time.monotonic()
                samples = array.array("h", data[:usable])
                if any(abs(s) > SILENCE for s in samples):
                    found = now
                offset += usable
            time.sleep(0.001)
    finally:
        stop(proc)
    return None if found is None else (found - start) * 1000.0


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime (fields 14, 15)


def status_kib(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def file_size(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def cpu_and_memory(exe, song, env, seconds, raw):
    if os.path.exists(raw):
        os.remove(raw)
    proc = subprocess.Popen([exe, song], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(2.0)
        if proc.poll() is not None:
            sys.exit("the program ended early (exit code %s)" % proc.returncode)
        hz = os.sysconf("SC_CLK_TCK")
        t0, c0, b0 = time.monotonic(), cpu_ticks(proc.pid), file_size(raw)
        rss_max = 0
        while time.monotonic() - t0 < seconds:
            time.sleep(0.5)
            rss_max = max(rss_max, status_kib(proc.pid, "VmRSS"))
        t1, c1, b1 = time.monotonic(), cpu_ticks(proc.pid), file_size(raw)
        rss = status_kib(proc.pid, "VmRSS")
        hwm = status_kib(proc.pid, "VmHWM")
        cpu = (c1 - c0) / hz / (t1 - t0) * 100.0
        played = (b1 - b0) / (44100 * 4) / (t1 - t0)  # seconds of 16-bit stereo per second
        return cpu, rss / 1024.0, max(rss_max, rss) / 1024.0, hwm / 1024.0, played
    finally:
        stop(proc)


def verdict(value, goal):
    return "ok" if value is not None and value < goal else "MISSED"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("program", help="the velmaris executable")
    ap.add_argument("--runs", type=int, default=7, help="launches for the first-sound time")
    ap.add_argument("--seconds", type=float, default=30.0, help="seconds of playing for CPU and memory")
    args = ap.parse_args()
    for tool in ("Xvfb", "sox", "lame"):
        if not shutil.which(tool):
            sys.exit(tool + " is needed")

    work = tempfile.mkdtemp(prefix="velmaris-launch-")
    xvfb = None
    try:
        print("== making a 3-minute 128 kbit/s song")
        song = make_song(work)
        prog_dir = os.path.join(work, "prog")
        os.makedirs(prog_dir)
        exe = program_copy(os.path.abspath(args.program), prog_dir)
        home = os.path.join(work, "home")
        os.makedirs(home)
        xvfb, display = start_xvfb()
        print("== Xvfb on %s" % display)

        raw = os.path.join(work, "out.raw")
        times = []
        for _ in range(args.runs):
            ms = first_sound(exe, song, environment(display, home, "disk", raw), raw)
            if ms is None:
                print("  no sound within 20 s")
            else:
                times.append(ms)
        if times:
            med = statistics.median(times)
            print("launch to first sound: median %.0f ms (min %.0f, max %.0f, %d runs; the first run reads "
                  "from a cold cache)  goal < %.0f ms: %s"
                  % (med, min(times), max(times), len(times), GOALS["first_sound_ms"],
                     verdict(med, GOALS["first_sound_ms"])))
            print("  runs: " + ", ".join("%.0f" % t for t in times))

        cpu, rss, rss_max, hwm, played = cpu_and_memory(exe, song, environment(display, home, "disk", raw),
                                                        args.seconds, raw)
        print("CPU while playing: %.2f %% of one core over %.0f s  goal < %.1f %%: %s"
              % (cpu, args.seconds, GOALS["cpu_percent"], verdict(cpu, GOALS["cpu_percent"])))
        print("  output written at %.2f x real time (1.00: the song played throughout)" % played)
        print("resident memory: VmRSS %.1f MiB (largest seen %.1f MiB, peak VmHWM %.1f MiB)  goal < %.0f MiB: %s"
              % (rss, rss_max, hwm, GOALS["rss_mib"], verdict(rss_max, GOALS["rss_mib"])))
    finally:
        if xvfb:
            stop(xvfb)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
