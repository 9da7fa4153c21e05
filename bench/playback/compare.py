#!/usr/bin/env python3
"""Velmaris against Audacious and mpg123 under a private PulseAudio server.

    bench/playback/compare.py <velmaris executable> [--rows R,...] [--runs N]
                              [--players P,...] [--also NAME=PATH ...]

Makes its songs with sox and lame (nothing is downloaded). For every row
group, player and run a fresh PulseAudio with a null sink (s16le, 44.1 kHz,
stereo; suspended after 1 s without a stream) is started; the players take
turns within each run. Every player is driven from outside only: Velmaris
over MPRIS (playerctl on a private session bus), Audacious through audtool,
mpg123 through its remote (-R) or its command line. "Sound" is the first
frame with a sample above 64 in the sink's monitor (parec, 10 ms latency).

Row groups (--rows; all by default):
  launch   the songs x (2.3 s), y (2.7 s), both 44.1 kHz, and z (4 s, 48 kHz)
           played in a row from the command line (Velmaris: an .m3u):
           launch -> stream: until the server announces the player's stream;
           launch -> sound: until the first sound in the monitor;
           x end -> y start: x's last 256 frames and y's first 256 sounding
           frames, as libmpg123 decodes them, found bit for bit in the
           recording, the frames between them in ms ("-" when a player
           changed the samples); silence x->y: the longest silent run around
           x's end; silence 44.1->48k: the longest silent run from 0.5 s
           before y's end to 2.5 s after it.
  idle     a 3-minute song playing, then paused, then stopped: in each
           state the CPU share of the player and of the server (time on the
           CPU summed over their live threads, from /proc/<pid>/task/*/
           schedstat, in % of one core), the player's wake-ups (context
           switches) per second, over 3 s from 1.5 s after the command, and
           whether the sink was suspended then; the player's RSS playing.
  restart  the 3-minute song plays; the server is killed (SIGKILL) and
           started again on the same socket; then Stop and Play: the time
           from Play to the first sound in the new server's monitor (none
           within 4 s: not recovered); and whether the player still runs.
  load     every core kept busy by a shell loop (the players' priority) while
           the 3-minute song starts and plays for 6 s: launch -> sound under
           load, song restarts (the reported position going back), dropouts
           (silent runs of 10 ms or more after the first sound) and their
           total length.
  flac     the 3-minute song as a 16-bit FLAC file (flac -5), playing: the
           CPU share of the player and of the server and the player's wake-ups,
           as for idle (mpg123 plays no FLAC: "-").
  sound    launch -> sound alone (for many launches of program variants).

--also NAME=PATH adds another build of the program as a player (for example
the program with and without a launcher). Prints min, median and max of
the runs; for yes-or-no rows, in how many runs.
Needs Xvfb, pulseaudio, pactl, parec, dbus-daemon, playerctl, audacious,
audtool, mpg123, sox, lame (scripts/install-deps.sh bench). A full run (all
rows, 3 players, 5 runs) takes about 10 minutes.
"""
import argparse
import functools
import importlib.util
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import playback_rig as rig  # noqa: E402

RATE = rig.RATE
X_SECONDS, Y_SECONDS, Z_SECONDS = 2.3, 2.7, 4.0
PLAY_SECONDS = 3.0  # CPU window while playing, paused, stopped
SETTLE_SECONDS = 1.5  # after pause or stop: the sink's 1 s suspend delay has passed
LOAD_SECONDS = 6.0
RECOVER_SECONDS = 4.0
DROPOUT_FRAMES = RATE // 100  # 10 ms


@functools.lru_cache(maxsize=None)
def load_launch_measure():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "launch-measure.py")
    found = importlib.util.spec_from_file_location("launch_measure", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def make_songs(folder):
    def tone(name, seconds, freq, rate):
        wav = os.path.join(folder, name + ".wav")
        mp3 = os.path.join(folder, name + ".mp3")
        subprocess.run(["sox", "-q", "-n", "-r", str(rate), "-c", "2", "-b", "16", wav, "synth", str(seconds),
                        "sine", str(freq), "gain", "-6"], check=True)
        subprocess.run(["lame", "--quiet", "-b", "128", "--cbr", wav, mp3], check=True)
        os.remove(wav)
        return mp3
    songs = {"x": tone("x", X_SECONDS, 500, RATE), "y": tone("y", Y_SECONDS, 700, RATE),
             "z": tone("z", Z_SECONDS, 600, 48000), "long": tone("long", 180, 300, RATE)}
    # The same 3 minutes as FLAC, from the MP3's decoding (sound, not a pure tone).
    wav = os.path.join(folder, "long-flac.wav")
    subprocess.run(["mpg123", "-q", "-w", wav, songs["long"]], check=True)
    songs["flac"] = os.path.join(folder, "long.flac")
    subprocess.run(["flac", "-s", "-f", "-5", "-o", songs["flac"], wav], check=True)
    os.remove(wav)
    return songs


def find_aligned(data, pattern, start=0):
    i = data.find(pattern, max(0, start))
    while i >= 0 and i % rig.FRAME:
        i = data.find(pattern, i + 1)
    return i


def change_gap_ms(data, ref_x, ref_y):
    """Frames between x's last frame and y's first one in the recording, in
    ms, found by their exact samples; None when the recording does not hold
    them bit for bit."""
    block = 256 * rig.FRAME
    x_tail = find_aligned(data, ref_x[-block:])
    if x_tail < 0:
        return None
    x_end = x_tail + block
    lead = 0
    while lead + rig.FRAME <= len(ref_y) and ref_y[lead:lead + rig.FRAME] == b"\0\0\0\0":
        lead += rig.FRAME
    y_head = find_aligned(data, ref_y[lead:lead + block], x_end - lead)
    if y_head < 0:
        return None
    return (y_head - lead - x_end) / rig.FRAME * 1000.0 / RATE


def longest_silence_ms(samples, start, lo_s, hi_s):
    runs = rig.silent_runs(samples, start + int(lo_s * RATE), start + int(hi_s * RATE), 2)
    return max(runs, default=0) * 1000.0 / RATE


def sleep_until(t):
    time.sleep(max(0.0, t - time.monotonic()))


def cpu_shares(pid, spid):
    """The player's and the server's CPU share (% of one core) and the
    player's wake-ups per second over PLAY_SECONDS from now."""
    (pn0, pw0), (sn0, _) = rig.run_ns_and_switches(pid), rig.run_ns_and_switches(spid)
    t0 = time.monotonic()
    time.sleep(PLAY_SECONDS)
    (pn1, pw1), (sn1, _) = rig.run_ns_and_switches(pid), rig.run_ns_and_switches(spid)
    span = time.monotonic() - t0
    return (pn1 - pn0) / 1e9 / span * 100.0, (sn1 - sn0) / 1e9 / span * 100.0, (pw1 - pw0) / span


class Bench:
    def __init__(self, work, songs, refs, envs, players):
        self.work = work
        self.songs = songs
        self.refs = refs
        self.envs = envs  # player name -> environment without the server
        self.players = players  # player name -> factory(env) -> rig.Player
        self.count = 0

    def server(self, name):
        self.count += 1
        return rig.Server(os.path.join(self.work, "pulse-%s-%d" % (name, self.count)))

    def player(self, name, server):
        env = dict(self.envs[name], PULSE_SERVER=server.env["PULSE_SERVER"], PULSE_RUNTIME_PATH=server.folder)
        return self.players[name](env)

    def launch(self, name, server):
        s = self.songs
        r = {}
        watch = rig.StreamWatch(server.env)
        rec = rig.Recorder(server.env)
        rec.wait_flowing()
        player = self.player(name, server)
        start = time.monotonic()
        player.start([s["x"], s["y"], s["z"]], driven=False)
        try:
            first = rec.wait_sound(5.0)
            if first is None:
                return r
            r["sound_ms"] = (first - start) * 1000.0
            sleep_until(first + X_SECONDS + Y_SECONDS + 2.5)
        finally:
            rec.stop()
            player.end()
            watch.stop()
        if watch.first_new is not None:
            r["stream_ms"] = (watch.first_new - start) * 1000.0
        samples = rec.samples()
        f0 = rig.first_sound_frame(samples)
        r["exact_gap_ms"] = change_gap_ms(bytes(rec.data), *self.refs)
        r["gap_ms"] = longest_silence_ms(samples, f0, X_SECONDS - 0.5, X_SECONDS + 0.6)
        r["rate_change_ms"] = longest_silence_ms(samples, f0, X_SECONDS + Y_SECONDS - 0.5, X_SECONDS + Y_SECONDS + 2.5)
        return r

    def flac(self, name, server):
        if name == "mpg123":
            return {}
        r = {}
        player = self.player(name, server)
        player.start([self.songs["flac"]])
        pid, spid = player.proc.pid, server.proc.pid
        try:
            time.sleep(SETTLE_SECONDS)
            shares = cpu_shares(pid, spid)
            if player.alive() and server.sink_state() == "RUNNING":
                r["flac_player_cpu"], r["flac_server_cpu"], r["flac_wakeups"] = shares
        finally:
            player.end()
        return r

    def idle(self, name, server):
        r = {}
        player = self.player(name, server)
        player.start([self.songs["long"]])
        pid, spid = player.proc.pid, server.proc.pid
        try:
            for state, command in (("playing", None), ("paused", player.pause), ("stopped", player.stop_playing)):
                if command and (command() is None or not player.alive()):
                    break
                time.sleep(SETTLE_SECONDS)
                r[state + "_player_cpu"], r[state + "_server_cpu"], r[state + "_wakeups"] = cpu_shares(pid, spid)
                r[state + "_suspended"] = 1.0 if server.sink_state() == "SUSPENDED" else 0.0
                if state == "playing":
                    r["rss_mib"] = rig.rss_mib(pid)
        finally:
            player.end()
        return r

    def restart(self, name, server):
        r = {}
        player = self.player(name, server)
        player.start([self.songs["long"]])
        rec = None
        try:
            time.sleep(2.0)
            server.kill()
            time.sleep(1.0)
            server.start()
            rec = rig.Recorder(server.env)
            rec.wait_flowing()
            r["survived"] = 1.0 if player.alive() else 0.0
            if not player.alive():
                r["recovered"] = 0.0
                return r
            player.stop_playing()
            time.sleep(0.3)
            t = time.monotonic()
            player.play()
            first = rec.wait_sound(RECOVER_SECONDS)
            r["recovered"] = 0.0 if first is None else 1.0
            if first is not None:
                r["recover_ms"] = (first - t) * 1000.0
        finally:
            if rec:
                rec.stop()
            player.end()
        return r

    def load(self, name, server):
        r = {}
        load = rig.Load()
        rec = None
        player = None
        try:
            time.sleep(0.3)
            rec = rig.Recorder(server.env)
            rec.wait_flowing()
            player = self.player(name, server)
            start = time.monotonic()
            player.start([self.songs["long"]])
            positions = []
            while time.monotonic() - start < LOAD_SECONDS:
                p = player.position()
                if p is not None:
                    positions.append(p)
                time.sleep(0.2)
            rec.stop()
            if rec.first_sound is not None:
                r["load_sound_ms"] = (rec.first_sound - start) * 1000.0
            if len(positions) >= LOAD_SECONDS:  # else the position could not be read: "-"
                r["restarts"] = float(sum(1 for a, b in zip(positions, positions[1:]) if b < a - 0.3))
            samples = rec.samples()
            f0 = rig.first_sound_frame(samples)
            if f0 is not None:
                # The last 100 ms may be cut short by the recorder's end.
                runs = rig.silent_runs(samples, f0, len(samples) // 2 - RATE // 10, DROPOUT_FRAMES)
                r["dropouts"] = float(len(runs))
                r["dropout_ms"] = sum(runs) * 1000.0 / RATE
        finally:
            load.stop()
            if rec:
                rec.stop()
            if player:
                player.end()
        return r

    def sound(self, name, server):
        rec = rig.Recorder(server.env)
        rec.wait_flowing()
        player = self.player(name, server)
        start = time.monotonic()
        player.start([self.songs["long"]], driven=False)
        try:
            first = rec.wait_sound(5.0)
        finally:
            rec.stop()
            player.end()
        return {} if first is None else {"sound_ms": (first - start) * 1000.0}


ROWS = {
    "launch": [("stream_ms", "launch -> stream ms"), ("sound_ms", "launch -> sound ms"),
               ("exact_gap_ms", "x end -> y start ms"), ("gap_ms", "silence x->y ms"),
               ("rate_change_ms", "silence 44.1->48k ms")],
    "idle": [("playing_player_cpu", "playing: player CPU %"), ("playing_server_cpu", "playing: server CPU %"),
             ("playing_wakeups", "playing: wake-ups/s"), ("rss_mib", "playing: RSS MiB"),
             ("paused_player_cpu", "paused: player CPU %"), ("paused_server_cpu", "paused: server CPU %"),
             ("paused_wakeups", "paused: wake-ups/s"), ("paused_suspended", "paused: sink suspended"),
             ("stopped_player_cpu", "stopped: player CPU %"), ("stopped_server_cpu", "stopped: server CPU %"),
             ("stopped_wakeups", "stopped: wake-ups/s"), ("stopped_suspended", "stopped: sink suspended")],
    "restart": [("survived", "restart: player still runs"), ("recover_ms", "restart: Play -> sound ms"),
                ("recovered", "restart: recovered")],
    "load": [("load_sound_ms", "load: launch -> sound ms"), ("restarts", "load: song restarts"),
             ("dropouts", "load: dropouts"), ("dropout_ms", "load: dropped ms")],
    "flac": [("flac_player_cpu", "FLAC playing: player CPU %"), ("flac_server_cpu", "FLAC playing: server CPU %"),
             ("flac_wakeups", "FLAC playing: wake-ups/s")],
    "sound": [("sound_ms", "launch -> sound ms")],
}
YES_NO = {"paused_suspended", "stopped_suspended", "survived", "recovered"}


def cell(key, values, runs):
    """min / median (max); yes-or-no rows: in how many runs."""
    if key in YES_NO:
        return "%d/%d" % (sum(1 for v in values if v), runs)
    if not values:
        return "-"
    return "%.2f / %.2f (%.2f)" % (min(values), statistics.median(values), max(values))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("program", help="the velmaris executable")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--rows", default="launch,idle,restart,load,flac", help="row groups: " + ",".join(ROWS))
    ap.add_argument("--players", default="velmaris,audacious,mpg123")
    ap.add_argument("--also", action="append", default=[], metavar="NAME=PATH",
                    help="another build of the program, measured as a player of its own")
    ap.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    args = ap.parse_args()
    # Ctrl+C and kill end the run through the clean-up below, also when the
    # shell started it in the background (which ignores SIGINT).
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    rows = [g for g in args.rows.split(",") if g]
    for g in rows:
        if g not in ROWS:
            sys.exit("unknown row group %s (known: %s)" % (g, ", ".join(ROWS)))
    for tool in ("Xvfb", "pulseaudio", "pactl", "parec", "dbus-daemon", "playerctl", "audacious", "audtool",
                 "mpg123", "sox", "lame", "flac", "stdbuf"):
        if not shutil.which(tool):
            sys.exit(tool + " is needed (scripts/install-deps.sh bench)")
    launch = load_launch_measure()

    work = tempfile.mkdtemp(prefix="velmaris-compare-")
    xvfb = bus = None
    began = time.monotonic()
    try:
        songs = make_songs(work)
        # libmpg123's own decoding of x and y (gapless), to find them in the recordings.
        refs = [subprocess.run(["mpg123", "-q", "-s", songs[k]], check=True, stdout=subprocess.PIPE).stdout
                for k in ("x", "y")]
        xvfb, display = launch.start_xvfb()
        bus = rig.Bus()

        def playlist_for(paths):
            path = os.path.join(work, "list-%d.m3u" % len(paths))
            with open(path, "w") as f:
                f.write("\n".join(paths) + "\n")
            return path

        programs = {"velmaris": args.program}
        for item in args.also:
            name, _, path = item.partition("=")
            programs[name] = path
        players, envs = {}, {}
        for name in args.players.split(",") + list(programs)[1:]:
            if name in players:
                continue
            home = os.path.join(work, "home-%s" % name)
            os.makedirs(home, exist_ok=True)
            envs[name] = dict(launch.environment(display, home, "pulseaudio"),
                              DBUS_SESSION_BUS_ADDRESS=bus.address)
            if name in programs:
                prog_dir = os.path.join(work, "prog-%s" % name)
                os.makedirs(prog_dir)
                exe = launch.program_copy(os.path.abspath(programs[name]), prog_dir)
                players[name] = functools.partial(rig.Velmaris, exe=exe, playlist_for=playlist_for)
            elif name == "audacious":
                players[name] = rig.Audacious
            elif name == "mpg123":
                players[name] = rig.Mpg123
            else:
                sys.exit("unknown player " + name)
        names = list(players)
        bench = Bench(work, songs, refs, envs, players)
        load_before = os.getloadavg()[0]
        print("== Xvfb on %s, %d runs of %s; players take turns in each run" % (display, args.runs, ",".join(rows)))
        results = {g: {p: [] for p in names} for g in rows}
        for run in range(args.runs):
            for g in rows:
                for name in names:
                    server = bench.server(name)
                    try:
                        r = getattr(bench, g)(name, server)
                    finally:
                        server.stop()
                    results[g][name].append(r)
                    print("  run %d %-8s %-10s %s" % (run + 1, g, name, ", ".join(
                        "%s %s" % (k, "-" if v is None else "%.2f" % v) for k, v in sorted(r.items()))), flush=True)

        print()
        # Other work on the machine delays every player's start: say how busy it was.
        print("%d runs, %.0f s; load average %.1f at the start, %.1f at the end, %d cores"
              % (args.runs, time.monotonic() - began, load_before, os.getloadavg()[0], os.cpu_count()))
        header = ["min / median (max)"] + names
        lines = []
        for g in rows:
            for key, label in ROWS[g]:
                lines.append([label] + [cell(key, [r[key] for r in results[g][p] if r.get(key) is not None],
                                             len(results[g][p])) for p in names])
        if args.markdown:
            print("| " + " | ".join(header) + " |")
            print("|---" * len(header) + "|")
            for line in lines:
                print("| " + " | ".join(line) + " |")
        else:
            print("%-26s" % header[0] + "".join("%26s" % h for h in header[1:]))
            for line in lines:
                print("%-26s" % line[0] + "".join("%26s" % c for c in line[1:]))
    finally:
        if bus:
            bus.stop()
        if xvfb:
            rig.stop(xvfb)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
