"""The rig compare.py measures in: a private PulseAudio with a null sink, a
recorder on its monitor, a private session bus, busy cores, and the players,
each driven from outside only (MPRIS, its own remote, signals), so the same
script measures any version of the program.

Only the Python standard library is used.
"""
import array
import os
import re
import signal
import subprocess
import sys
import threading
import time

RATE = 44100
SILENCE = 64  # a sample above this magnitude is sound
FRAME = 4  # s16le stereo
COMMAND_TIMEOUT = 3.0  # a remote command that takes longer counts as unanswered


def stop(proc, grace=5.0):
    """SIGTERM, then SIGKILL after `grace` seconds."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def quiet(command, env, timeout=COMMAND_TIMEOUT, **kw):
    """Runs a command; its output, or None when it failed or hung."""
    try:
        done = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                              timeout=timeout, **kw)
    except subprocess.TimeoutExpired:
        return None
    return done.stdout if done.returncode == 0 else None


class Server:
    """A private PulseAudio with one null sink (s16le, 44.1 kHz, stereo) that
    suspends after 1 s without a stream, as a desktop's does."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.socket = os.path.join(folder, "native")
        self.env = dict(os.environ, HOME=folder, PULSE_RUNTIME_PATH=folder, XDG_RUNTIME_DIR=folder,
                        PULSE_SERVER="unix:" + self.socket)
        self.proc = None
        self.start()

    def start(self):
        """Starts the server (again, on the same socket after a kill)."""
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
             "--log-target=stderr", "-L", "module-null-sink sink_name=bench rate=%d format=s16le channels=2" % RATE,
             "-L", "module-suspend-on-idle timeout=1",
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + self.socket],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.proc.poll() is None and quiet(["pactl", "info"], self.env) is not None:
                return
            time.sleep(0.02)
        self.stop()
        sys.exit("pulseaudio did not start")

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        stop(self.proc)

    def sink_state(self):
        """RUNNING, IDLE or SUSPENDED."""
        out = quiet(["pactl", "list", "short", "sinks"], self.env) or ""
        for line in out.splitlines():
            fields = line.split("\t")
            if len(fields) >= 5 and fields[1] == "bench":
                return fields[-1].strip()
        return "?"


class StreamWatch:
    """Time of the first new playback stream announced by the server."""

    def __init__(self, env):
        self.first_new = None
        self.proc = subprocess.Popen(["stdbuf", "-oL", "pactl", "subscribe"], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            if self.first_new is None and "'new' on sink-input" in line:
                self.first_new = time.monotonic()

    def stop(self):
        stop(self.proc)


class Recorder:
    """Records the null sink's monitor and notes when the first sound came
    (the first frame with a sample above SILENCE), to a few ms."""

    def __init__(self, env, latency_ms=10):
        self.data = bytearray()
        self.first_sound = None
        self.started = time.monotonic()
        self.proc = subprocess.Popen(["parec", "-d", "bench.monitor", "--format=s16le", "--rate=%d" % RATE,
                                      "--channels=2", "--latency-msec=%d" % latency_ms], env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 4096)
            if not chunk:
                return
            now = time.monotonic()
            before = len(self.data) // FRAME * FRAME
            self.data += chunk
            if self.first_sound is None:
                usable = len(self.data) // FRAME * FRAME
                samples = array.array("h", bytes(self.data[before:usable]))
                for i, s in enumerate(samples):
                    if abs(s) > SILENCE:
                        # The chunk came in after its last frame went out.
                        frames_after = (len(samples) - i) // 2
                        self.first_sound = now - frames_after / RATE
                        break

    def wait_flowing(self, timeout=10.0):
        """Waits until the monitor delivers (parec can take seconds to start
        on a busy machine): a player started earlier would be heard late."""
        deadline = time.monotonic() + timeout
        while not self.data and time.monotonic() < deadline:
            time.sleep(0.002)
        time.sleep(0.05)
        return bool(self.data)

    def wait_sound(self, timeout):
        deadline = time.monotonic() + timeout
        while self.first_sound is None and time.monotonic() < deadline:
            time.sleep(0.002)
        return self.first_sound

    def stop(self):
        stop(self.proc)
        self.thread.join(2)

    def samples(self):
        data = bytes(self.data)
        return array.array("h", data[:len(data) // FRAME * FRAME])


def silent_runs(samples, lo_frame, hi_frame, shortest):
    """Runs of silent frames (both channels |s| < SILENCE) of at least
    `shortest` frames in [lo_frame, hi_frame): a list of lengths."""
    runs, run = [], 0
    hi_frame = min(hi_frame, len(samples) // 2)
    for i in range(max(0, lo_frame), hi_frame):
        if abs(samples[2 * i]) < SILENCE and abs(samples[2 * i + 1]) < SILENCE:
            run += 1
        else:
            if run >= shortest:
                runs.append(run)
            run = 0
    if run >= shortest:
        runs.append(run)
    return runs


def first_sound_frame(samples):
    frames = len(samples) // 2
    for i in range(frames):
        if abs(samples[2 * i]) >= SILENCE or abs(samples[2 * i + 1]) >= SILENCE:
            return i
    return None


class Bus:
    """A private session bus for the players' remote controls."""

    def __init__(self):
        self.proc = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.proc.stdout.readline().strip()
        if not self.address:
            sys.exit("dbus-daemon did not start")

    def stop(self):
        stop(self.proc)


class Load:
    """Keeps every core busy (at the players' own priority) while alive."""

    def __init__(self):
        self.procs = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(os.cpu_count() or 1)]

    def stop(self):
        for p in self.procs:
            p.kill()
            p.wait()


def run_ns_and_switches(pid):
    """Time on the CPU (ns) and context switches summed over the live
    threads: finer than clock ticks for a process that hardly runs."""
    ns = switches = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                ns += int(f.read().split()[0])
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except (OSError, ValueError):
            pass  # a thread that ended meanwhile
    return ns, switches


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return None


# The players. Each starts on a list of songs (playing the first at once)
# and answers pause, stop, play and position from outside.

class Player:
    def __init__(self, env):
        self.env = env
        self.proc = None

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def end(self):
        if self.proc:
            stop(self.proc)


class Velmaris(Player):
    """The program (a copy with its own settings), driven over MPRIS."""

    def __init__(self, env, exe, playlist_for):
        super().__init__(env)
        self.exe = exe
        self.playlist_for = playlist_for

    def start(self, songs, driven=True):
        arg = songs[0] if len(songs) == 1 else self.playlist_for(songs)
        self.proc = subprocess.Popen([self.exe, arg], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def ctl(self, *args):
        return quiet(["playerctl", "-p", "velmaris.instance%d" % self.proc.pid] + list(args), self.env)

    def pause(self):
        return self.ctl("pause")

    def stop_playing(self):
        return self.ctl("stop")

    def play(self):
        return self.ctl("play")

    def position(self):
        out = self.ctl("position")
        try:
            return float(out)
        except (TypeError, ValueError):
            return None


class Audacious(Player):
    """Audacious (GTK), driven through its own remote and audtool."""

    def start(self, songs, driven=True):
        self.proc = subprocess.Popen(["audacious"] + songs, env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def pause(self):
        return quiet(["audtool", "playback-pause"], self.env)

    def stop_playing(self):
        return quiet(["audtool", "playback-stop"], self.env)

    def play(self):
        return quiet(["audtool", "playback-play"], self.env)

    def position(self):
        out = quiet(["audtool", "current-song-output-length-frames"], self.env)
        try:
            return int(out) / 1000.0
        except (TypeError, ValueError):
            return None


class Mpg123(Player):
    """mpg123 -o pulse: songs on its command line when it need not be
    driven, else its remote (-R) on standard input."""

    FRAME_LINE = re.compile(r"^@F \d+ \d+ ([0-9.]+) ")

    def __init__(self, env):
        super().__init__(env)
        self.song = None
        self.seconds = None

    def start(self, songs, driven=True):
        if not driven:
            self.proc = subprocess.Popen(["mpg123", "-q", "-o", "pulse"] + songs, env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return
        self.song = songs[0]
        self.proc = subprocess.Popen(["mpg123", "-R", "-o", "pulse"], env=self.env, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()
        self.send("L " + self.song)

    def _read(self):
        for line in self.proc.stdout:
            m = self.FRAME_LINE.match(line)
            if m:
                self.seconds = float(m.group(1))

    def send(self, line):
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
            return ""
        except (BrokenPipeError, OSError, ValueError):
            return None

    def pause(self):
        return self.send("P")

    def stop_playing(self):
        return self.send("S")

    def play(self):
        return self.send("L " + self.song)

    def position(self):
        return self.seconds
