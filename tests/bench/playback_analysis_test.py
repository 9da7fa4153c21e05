#!/usr/bin/env python3
"""The playback comparison's reading of a monitor recording: silent runs,
first sound, and the exact gap between two songs found by their samples."""
import array
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench", "playback"))
import compare  # noqa: E402
import playback_rig as rig  # noqa: E402

LOUD, QUIET = 1000, 10


def frames(*parts):
    """Interleaved stereo samples from (value, count) parts."""
    out = array.array("h")
    for value, count in parts:
        out.extend([value, value] * count)
    return out


def song(seed, count):
    """Distinct loud frames, so a block of them is found in one place only."""
    return array.array("h", [(seed * 7919 + i * 104729) % 20000 + 200 for i in range(2 * count)])


class SilentRuns(unittest.TestCase):
    def test_runs_at_least_the_shortest_within_the_window(self):
        cases = [
            # parts, lo, hi, shortest, expected runs
            ([(LOUD, 5), (QUIET, 3), (LOUD, 2), (QUIET, 4)], 0, 14, 3, [3, 4]),
            ([(LOUD, 5), (QUIET, 3), (LOUD, 2), (QUIET, 4)], 0, 14, 4, [4]),
            ([(QUIET, 4), (LOUD, 1), (QUIET, 2)], 1, 7, 1, [3, 2]),    # cut by the window's start
            ([(LOUD, 2), (QUIET, 6), (LOUD, 2)], 0, 5, 1, [3]),        # and by its end
            ([(LOUD, 2), (QUIET, 3)], 0, 100, 1, [3]),                 # a window past the end
            ([(LOUD, 3), (-LOUD, 3)], 0, 6, 1, []),
        ]
        for parts, lo, hi, shortest, expected in cases:
            with self.subTest(parts=parts, lo=lo, hi=hi):
                self.assertEqual(rig.silent_runs(frames(*parts), lo, hi, shortest), expected)

    def test_one_loud_channel_is_sound(self):
        samples = array.array("h", [0, 0, 0, LOUD, 0, 0])
        self.assertEqual(rig.silent_runs(samples, 0, 3, 1), [1, 1])
        self.assertEqual(rig.first_sound_frame(samples), 1)
        self.assertIsNone(rig.first_sound_frame(frames((QUIET, 5))))


class ExactGap(unittest.TestCase):
    def test_frames_between_the_songs_found_by_their_samples(self):
        x, y = song(1, 600), song(2, 600)
        lead = frames((0, 40))  # y's own silence before its first sound: part of y
        for between in (0, 1, 441):
            with self.subTest(between=between):
                recording = frames((0, 300)) + x + frames((0, between)) + lead + y[: 2 * 500]
                gap = compare.change_gap_ms(recording.tobytes(), x.tobytes(), (lead + y).tobytes())
                self.assertAlmostEqual(gap, between * 1000.0 / rig.RATE)

    def test_changed_samples_are_not_found(self):
        x, y = song(1, 600), song(2, 600)
        louder = array.array("h", [s + 1 for s in x])
        recording = frames((0, 10)) + louder + y
        self.assertIsNone(compare.change_gap_ms(recording.tobytes(), x.tobytes(), y.tobytes()))


if __name__ == "__main__":
    unittest.main()
