"""The unit tests of the Windows parts that need Windows itself (win32_unit_tests.exe, on
GoogleTest: owned handles, the scopes of win32/scopes.h, BellPlayerProcess with real child
processes), run under Wine in a session of their own. One subtest per test of the program,
with GoogleTest's failure messages.

Run: /usr/bin/python3 -m unittest -v test_win32_units   (in tests/e2e; needs the windows build)
"""

import unittest
from xml.etree import ElementTree

import harness

EXE = "win32_unit_tests.exe"


class Win32UnitTests(unittest.TestCase):
    def test_every_case_passes(self):
        exe, = harness.require_build(EXE)
        with harness.Session() as session:
            report = session.tmp / "report.xml"
            returncode, lines = session.run_windows(
                exe, "--gtest_color=no", f"--gtest_output=xml:{session.windows_path(report)}",
                timeout=300)
            self.assertTrue(report.exists(), "no report; the program printed:\n" +
                            "\n".join(lines[-40:]))
            tests = ElementTree.parse(report).getroot()
        cases = list(tests.iter("testcase"))
        self.assertTrue(cases, f"no test ran: {lines}")
        self.assertEqual(int(tests.get("tests")), len(cases))
        for case in cases:
            with self.subTest(case=f"{case.get('classname')}.{case.get('name')}"):
                # Every test runs to its end: none disabled, skipped or cut short.
                self.assertEqual((case.get("status"), case.get("result")), ("run", "completed"))
                failures = [f.get("message") for f in case.iter("failure")]
                if failures:
                    self.fail("\n".join(failures))
        self.assertEqual(returncode, 0)


if __name__ == "__main__":
    unittest.main()
