import shutil

import pytest

from harness import HIGH_DPI, Display, PathstowApp, WineSession, default_paths


@pytest.fixture(scope="session")
def paths():
    p = default_paths()
    for key in ("exe", "probe", "recorder"):
        if not p[key].exists():
            pytest.exit(f"{p[key]} is missing: build first (scripts/build.sh)", returncode=2)
    return p


def wine_session(paths, dpi=None):
    display = Display()
    try:
        wine = WineSession(paths, display, dpi)
        try:
            yield wine
        finally:
            wine.close()
    finally:
        display.close()


@pytest.fixture(scope="session")
def session(paths):
    """A private X display and Wine session with the "shell" desktop running."""
    yield from wine_session(paths)


@pytest.fixture(scope="session")
def hidpi(paths):
    """A second session, at 144 DPI, with a prefix and an X display of its own."""
    prefix = paths["prefix"]
    yield from wine_session(dict(paths, prefix=prefix.with_name(f"{prefix.name}-{HIGH_DPI}")), HIGH_DPI)


def pathstow_app(session, workdir, request, name=None):
    a = PathstowApp(session, workdir, name)
    yield a
    failed = getattr(request.node, "rep_call", None) is not None and request.node.rep_call.failed
    if failed:
        session.screenshot(f"{request.node.name}{session.tag}-failed")
    # Every step runs even when one before it fails: a program left running
    # would put its icon where the next test clicks.
    explorers_closed = killed = False
    try:
        session.close_explorers()
        explorers_closed = True
    finally:
        try:
            killed = a.stop()
        except BaseException:
            killed = True
            raise
        finally:
            if killed or failed or not explorers_closed:
                # A killed program leaves its icon behind, and a failed test or
                # teardown may leave windows open: the next test starts from a
                # clean desktop.
                session.restart_desktop()
            session.reg_delete(a.registry_key)
    heap = a.heap_reports()
    if heap:
        shutil.copy(a.wine_log, session.artifacts / f"{request.node.name}{session.tag}-wine.log")
        pytest.fail("Wine reported heap misuse:\n" + "\n".join(heap[:20]))


@pytest.fixture
def app(session, tmp_path, request):
    """A fresh copy of Pathstow under a unique name (so with its own registry
    data), not yet started: call app.start(). Always stopped afterwards."""
    yield from pathstow_app(session, tmp_path, request)


@pytest.fixture
def hidpi_app(hidpi, tmp_path, request):
    """The same in the 144-DPI session, in a folder of its own (its logs)."""
    yield from pathstow_app(hidpi, tmp_path / str(HIGH_DPI), request)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    setattr(item, "rep_" + report.when, report)
