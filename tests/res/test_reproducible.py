"""Regenerating the resources gives exactly the committed files."""

import filecmp
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from resread import RES, TOOLS  # noqa: E402

GENERATED = (
    "panel_normal.bmp", "panel_dark.bmp", "panel_alarm.bmp",
    "signal_stop.bmp", "signal_restrict.bmp", "signal_caution.bmp",
    "signal_reduce.bmp", "signal_proceed.bmp",
    "orvaneats.ico", "orvaneats_sizes.ico", "atsbell.wav", "atschime.wav", "atsbrake.wav",
) + tuple("%s_%dx.png" % (name, scale)
          for name in ("panel_normal", "panel_dark", "panel_alarm", "signal_stop",
                       "signal_restrict", "signal_caution", "signal_reduce", "signal_proceed")
          for scale in (2, 3))


class Reproducible(unittest.TestCase):
    def test_regenerated_files_match_committed(self):
        with tempfile.TemporaryDirectory() as tmp:
            env = dict(os.environ, PYTHON=sys.executable)
            subprocess.run(["sh", os.path.join(TOOLS, "generate-resources.sh"), tmp],
                           check=True, env=env)
            self.assertEqual(sorted(os.listdir(tmp)), sorted(GENERATED))
            for name in GENERATED:
                with self.subTest(name=name):
                    self.assertTrue(filecmp.cmp(os.path.join(tmp, name), os.path.join(RES, name),
                                                shallow=False))


if __name__ == "__main__":
    unittest.main()
