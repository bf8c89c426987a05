"""Where the builds put what the tests run."""

from pathlib import Path

from .processes import HarnessError

REPO = Path(__file__).resolve().parents[3]
BIN_DIR = REPO / "build" / "windows" / "bin"  # the program as it ships
TEST_BIN_DIR = REPO / "build" / "windows" / "tests-bin"  # the test programs (e2e*.exe)


def build_path(name):
    """Where the windows build puts a file: test programs (e2e*.exe, *_tests.exe) apart from
    the shipped ones."""
    is_test = name.startswith("e2e") or name.endswith("_tests.exe")
    return (TEST_BIN_DIR if is_test else BIN_DIR) / name


def require_build(*names):
    """Paths of built files; a clear error if one is missing."""
    paths = [build_path(name) for name in names]
    missing = [str(p) for p in paths if not p.exists()]
    if missing:
        raise HarnessError(
            f"missing: {', '.join(missing)}; build first with "
            "`cmake --workflow --preset windows`")
    return paths
