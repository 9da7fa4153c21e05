#!/usr/bin/env python3
"""Velmaris against Audacious and mpg123 under a private PulseAudio server.

    bench/playback/compare.py <velmaris executable> <bench_playback> [--runs N] [--seconds S]

Makes its songs with sox and lame (nothing is downloaded): x (2.3 s), y
(2.7 s) and a 3-minute song, to be played in this order. Starts Xvfb and, for
every player and run, a fresh PulseAudio with a null sink (s16le, 44.1 kHz,
stereo), and measures, the players taking turns within each run:

  * launch -> stream created: from the start of the player's process until
    the server announces the new playback stream ("pactl subscribe");
  * silence at the song change: the null sink's monitor is recorded while x
    and y play. "x end -> y start": x's last 256 frames and y's first 256
    sounding frames, as libmpg123 decodes them (mpg123 -s), are found bit for
    bit in the recording; the frames between them, in ms (0 = gapless; "-"
    when a player changed the samples). "silence at change": the longest
    run of silent frames (both channels |s| < 64) around x's end (the songs
    hold no such run themselves; a server underrun there counts too);
  * player CPU and sound-server CPU over S seconds of the third song, as
    percent of one core (user + system time from /proc), nothing recording;
  * the player's resident memory (VmRSS) at the end of that window.

Players: "velmaris" (the program, the songs in an .m3u playlist), "device"
(bench_playback queue: the media device playing the three songs, each queued
while the one before plays, as the player's engine does once it pre-opens
the next line), "audacious" (GTK, the three files on its command line), and
"mpg123" (-o pulse); with --buffer-ms 23,93 also the device with other output
buffer lengths ("device@23", ...). Prints min and median of the runs for each.

Needs Xvfb, pulseaudio, pactl, parec, audacious, mpg123, sox, lame
(scripts/install-deps.sh bench). Only the Python standard library is used.
"""
import argparse
import array
import functools
import importlib.util
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

RATE = 44100
SILENCE = 64


@functools.lru_cache(maxsize=None)
def load_launch_measure():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "launch-measure.py")
    found = importlib.util.spec_from_file_location("launch_measure", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def make_songs(folder):
    def tone(name, seconds, freq):
        wav = os.path.join(folder, name + ".wav")
        mp3 = os.path.join(folder, name + ".mp3")
        subprocess.run(["sox", "-q", "-n", "-r", str(RATE), "-c", "2", "-b", "16", wav, "synth", str(seconds),
                        "sine", str(freq), "gain", "-6"], check=True)
        subprocess.run(["lame", "--quiet", "-b", "128", "--cbr", wav, mp3], check=True)
        os.remove(wav)
        return mp3
    return [tone("x", 2.3, 500), tone("y", 2.7, 700), tone("long", 180, 300)]


class Server:
    """A private PulseAudio with one null sink."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.socket = os.path.join(folder, "native")
        self.env = dict(os.environ, HOME=folder, PULSE_RUNTIME_PATH=folder, XDG_RUNTIME_DIR=folder,
                        PULSE_SERVER="unix:" + self.socket)
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
             "--log-target=stderr", "-L", "module-null-sink sink_name=bench rate=%d format=s16le channels=2" % RATE,
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + self.socket],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.05)
        self.stop()
        sys.exit("pulseaudio did not start")

    def stop(self):
        stop(self.proc)


class StreamWatch:
    """Time of the first new playback stream announced by the server."""

    def __init__(self, env):
        self.first_new = None
        self.proc = subprocess.Popen(["stdbuf", "-oL", "pactl", "subscribe"], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.thread = threading.Thread(target=self.read, daemon=True)
        self.thread.start()

    def read(self):
        for line in self.proc.stdout:
            if self.first_new is None and "'new' on sink-input" in line:
                self.first_new = time.monotonic()

    def stop(self):
        stop(self.proc)


def stop(proc):
    # The same ending as the launch measurement's: SIGTERM, then kill after 5 s.
    return load_launch_measure().stop(proc)


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def gap_ms(raw_path, x_seconds):
    """Longest silent run around the end of the first song, in ms."""
    with open(raw_path, "rb") as f:
        data = f.read()
    samples = array.array("h", data[:len(data) // 4 * 4])
    frames = len(samples) // 2

    def silent(i):
        return abs(samples[2 * i]) < SILENCE and abs(samples[2 * i + 1]) < SILENCE

    start = 0
    while start < frames and silent(start):
        start += 1
    if start >= frames:
        return None
    lo = start + int((x_seconds - 0.5) * RATE)
    hi = min(frames, start + int((x_seconds + 0.6) * RATE))
    if hi <= lo:
        return None
    longest = run = 0
    for i in range(lo, hi):
        if silent(i):
            run += 1
            longest = max(longest, run)
        else:
            run = 0
    return longest * 1000.0 / RATE if longest > 1 else 0.0


def find_aligned(data, pattern, start=0):
    i = data.find(pattern, start)
    while i >= 0 and i % 4:
        i = data.find(pattern, i + 1)
    return i


def change_gap_ms(raw_path, ref_x, ref_y):
    """Frames between x's last frame and y's first one in the recording, in
    ms: found by their exact samples (as libmpg123 decodes the files). None
    when the recording does not hold them bit for bit (a player that
    changes the samples); then the silence measure stands alone."""
    with open(raw_path, "rb") as f:
        data = f.read()
    block = 256 * 4
    x_tail = find_aligned(data, ref_x[-block:])
    if x_tail < 0:
        return None
    x_end = x_tail + block
    lead = 0
    while lead + 4 <= len(ref_y) and ref_y[lead:lead + 4] == b"\0\0\0\0":
        lead += 4
    y_head = find_aligned(data, ref_y[lead:lead + block], x_end - lead)
    if y_head < 0:
        return None
    return (y_head - lead - x_end) / 4 * 1000.0 / RATE


def measure(name, command, env, server, seconds, work, refs):
    result = {}
    watch = StreamWatch(server.env)
    raw = os.path.join(work, "monitor.raw")
    with open(raw, "wb") as out:
        recorder = subprocess.Popen(["parec", "-d", "bench.monitor", "--format=s16le", "--rate=%d" % RATE,
                                     "--channels=2", "--latency-msec=50"], env=server.env, stdout=out,
                                    stderr=subprocess.DEVNULL)
        time.sleep(0.3)  # the recorder's stream is up before the player starts
        start = time.monotonic()
        player = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(6.5)  # x and y played, the third song has begun
            stop(recorder)
            if watch.first_new is not None:
                result["stream_ms"] = (watch.first_new - start) * 1000.0
            result["gap_ms"] = gap_ms(raw, 2.3)
            result["exact_gap_ms"] = change_gap_ms(raw, *refs)
            time.sleep(1.0)
            if player.poll() is not None:
                print("  %s ended early (exit code %s)" % (name, player.returncode))
                return result
            hz = os.sysconf("SC_CLK_TCK")
            t0, p0, s0 = time.monotonic(), cpu_ticks(player.pid), cpu_ticks(server.proc.pid)
            time.sleep(seconds)
            t1, p1, s1 = time.monotonic(), cpu_ticks(player.pid), cpu_ticks(server.proc.pid)
            result["player_cpu"] = (p1 - p0) / hz / (t1 - t0) * 100.0
            result["server_cpu"] = (s1 - s0) / hz / (t1 - t0) * 100.0
            result["total_cpu"] = result["player_cpu"] + result["server_cpu"]
            with open("/proc/%d/status" % player.pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        result["rss_mib"] = int(line.split()[1]) / 1024.0
        finally:
            stop(player)
            stop(recorder)
            watch.stop()
    return result


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("program", help="the velmaris executable")
    ap.add_argument("bench", help="bench_playback (built with -DVELMARIS_BENCH=ON)")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--seconds", type=float, default=10.0, help="seconds of playing for the CPU share")
    ap.add_argument("--players", default="velmaris,device,audacious,mpg123")
    ap.add_argument("--buffer-ms", default="",
                    help="comma-separated output buffer lengths: adds a device player for each (device@N)")
    args = ap.parse_args()
    for tool in ("Xvfb", "pulseaudio", "pactl", "parec", "audacious", "mpg123", "sox", "lame", "stdbuf"):
        if not shutil.which(tool):
            sys.exit(tool + " is needed (scripts/install-deps.sh bench)")
    launch = load_launch_measure()

    work = tempfile.mkdtemp(prefix="velmaris-compare-")
    xvfb = None
    try:
        songs = make_songs(work)
        # libmpg123's own decoding of x and y (gapless), to find them in the recordings.
        refs = [subprocess.run(["mpg123", "-q", "-s", song], check=True, stdout=subprocess.PIPE).stdout
                for song in songs[:2]]
        playlist = os.path.join(work, "xy.m3u")
        with open(playlist, "w") as f:
            f.write("\n".join(songs) + "\n")
        prog_dir = os.path.join(work, "prog")
        os.makedirs(prog_dir)
        exe = launch.program_copy(os.path.abspath(args.program), prog_dir)
        xvfb, display = launch.start_xvfb()
        print("== Xvfb on %s, %d runs, players take turns in each run" % (display, args.runs))

        commands = {
            "velmaris": [exe, playlist],
            "device": [os.path.abspath(args.bench), "queue"] + songs,
            "audacious": ["audacious"] + songs,
            "mpg123": ["mpg123", "-q", "-o", "pulse"] + songs,
        }
        for ms in filter(None, args.buffer_ms.split(",")):
            commands["device@" + ms] = [os.path.abspath(args.bench), "--buffer-ms", ms, "queue"] + songs
        players = [p for p in args.players.split(",") + ["device@" + ms for ms in filter(None, args.buffer_ms.split(","))]
                   if p in commands]
        results = {p: [] for p in players}
        for run in range(args.runs):
            for name in players:
                home = os.path.join(work, "home-%s" % name)
                os.makedirs(home, exist_ok=True)
                server = Server(os.path.join(work, "pulse-%s-%d" % (name, run)))
                try:
                    env = launch.environment(display, home, "pulseaudio")
                    env.update(PULSE_SERVER=server.env["PULSE_SERVER"], PULSE_RUNTIME_PATH=server.folder)
                    r = measure(name, commands[name], env, server, args.seconds, work, refs)
                finally:
                    server.stop()
                results[name].append(r)
                print("  run %d %-9s %s" % (run + 1, name, ", ".join(
                    "%s %s" % (k, "-" if v is None else "%.2f" % v) for k, v in sorted(r.items()))))

        keys = [("stream_ms", "launch->stream ms"), ("exact_gap_ms", "x end -> y start ms"),
                ("gap_ms", "silence at change ms"),
                ("player_cpu", "player CPU %"), ("server_cpu", "server CPU %"), ("total_cpu", "total CPU %"),
                ("rss_mib", "RSS MiB")]
        print()
        print("%-22s" % "min / median" + "".join("%20s" % p for p in players))
        for key, label in keys:
            row = "%-22s" % label
            for p in players:
                values = [r[key] for r in results[p] if r.get(key) is not None]
                row += "%20s" % ("%.2f / %.2f" % (min(values), statistics.median(values)) if values else "-")
            print(row)
    finally:
        if xvfb:
            stop(xvfb)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
