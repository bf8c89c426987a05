"""The unit tests of the Windows parts that need Windows itself (win32_unit_tests.exe: owned
handles, the scopes of win32/scopes.h, BellPlayerProcess with real child processes), run under
Wine in a session of their own. One subtest per case of the program.

Run: /usr/bin/python3 -m unittest -v test_win32_units   (in tests/e2e; needs the windows build)
"""

import unittest

import harness

EXE = "win32_unit_tests.exe"


class Win32UnitTests(unittest.TestCase):
    def test_every_case_passes(self):
        exe, = harness.require_build(EXE)
        with harness.Session() as session:
            returncode, lines = session.run_windows(exe, timeout=300)
        cases, details = {}, []
        for line in lines:
            if line.startswith(("ok ", "FAIL ")):
                verdict, name = line.split(" ", 1)
                cases[name] = (verdict, details)
                details = []
            elif line.startswith("  "):
                details.append(line.strip())
        self.assertTrue(cases, f"no case ran: {lines}")
        self.assertEqual(lines[-1], f"{len(cases)} cases, "
                                    f"{sum(v == 'FAIL' for v, _ in cases.values())} failed")
        for name, (verdict, failures) in cases.items():
            with self.subTest(case=name):
                self.assertEqual(verdict, "ok", "\n".join(failures))
        self.assertEqual(returncode, 0)


if __name__ == "__main__":
    unittest.main()
