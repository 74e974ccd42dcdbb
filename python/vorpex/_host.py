"""This package as the host of the libraries' user interface: their progress windows become
calls of the caller's progress function (whose answer can cancel), their message boxes are
kept as text instead of shown, and a failure is read from the error state as a VorpexError."""

from __future__ import annotations

import contextlib
import ctypes
import logging
from typing import Any, Callable, Iterator, List, Optional

from . import _loader
from ._errors import VorpexError

# The caller's progress function: bytes moved so far and in all; False (or an exception)
# cancels the copy.
Progress = Callable[[int, int], Any]

_CANCEL = 0x1
_IDOK = 1
# Windows the libraries open; the library never looks into a host's handle.
_WINDOW = 1
_log = logging.getLogger("vorpex")


class _Operation:
    def __init__(self, progress: Optional[Progress], can_cancel: bool) -> None:
        self.progress = progress
        self.can_cancel = can_cancel
        self.total = 0
        self.cancel = False
        self.raised: Optional[BaseException] = None

    def report(self, done: int, total: int) -> None:
        if self.progress is None or self.raised is not None:
            return
        try:
            answer = self.progress(done, total)
        except BaseException as error:  # noqa: B902 - it may not cross into the library
            self.raised = error
            self.cancel = self.can_cancel
            return
        if answer is False and self.can_cancel:
            self.cancel = True


_current = _Operation(None, False)
_captured: Optional[List[str]] = None


def _text(raw: Optional[bytes]) -> str:
    return _loader.decode(raw or b"")


def _message_box(context: Any, text: Optional[bytes], caption: Optional[bytes], flags: int) -> int:
    if _captured is not None:
        _captured.append(_text(text))
    else:
        _log.info("%s: %s", _text(caption) or "VORPEX", _text(text))
    return _IDOK


def _open_progress(
    context: Any, owner: Any, title: Any, status: Any, index: Any, total: int
) -> int:
    _current.total = total
    _current.report(0, total)
    return _WINDOW


def _set_range(context: Any, window: Any, low: int, high: int) -> None:
    if high > low:
        _current.total = high - low


def _set_percent(context: Any, window: Any, text: Any, position: int) -> None:
    _current.report(position, _current.total)


def _pump(context: Any, window: Any) -> int:
    return _CANCEL if _current.cancel else 0


def _device_progress(context: Any, done: int, total: int) -> int:
    _current.total = total
    _current.report(done, total)
    return 1 if _current.cancel else 0


_hooks = _loader.UiHooks(
    size=ctypes.sizeof(_loader.UiHooks),
    messageBox=_loader.MessageBoxHook(_message_box),
    openProgress=_loader.OpenProgressHook(_open_progress),
    setProgressRange=_loader.SetRangeHook(_set_range),
    setProgressStatus=_loader.SetTextHook(lambda context, window, text: None),
    setProgressPercent=_loader.SetPercentHook(_set_percent),
    setProgressSpeed=_loader.SetTextHook(lambda context, window, text: None),
    pump=_loader.PumpHook(_pump),
    closeWindow=_loader.CloseHook(lambda context, window: None),
    openFormat=_loader.OpenFormatHook(lambda context, owner, caption, text: _WINDOW),
    openDelete=_loader.OpenDeleteHook(lambda context, owner, caption, index, name: _WINDOW),
    upgradeStage=_loader.StageHook(lambda context, stage, total: None),
)
# The device library's copies call this between chunks.
DEVICE_PROGRESS = _loader.ProgressCallback(_device_progress)
_installed = False


def chip() -> _loader.Chip:
    """The chip library, with this package installed as its user interface."""
    global _installed
    library = _loader.chip()
    if not _installed:
        library.InstallUi(ctypes.byref(_hooks))
        _installed = True
    return library


@contextlib.contextmanager
def operation(progress: Optional[Progress] = None, can_cancel: bool = True) -> Iterator[None]:
    """Runs library calls under the process's lock with `progress` told of their windows; an
    exception the progress function raised is raised again once the library has returned."""
    global _current
    with _loader.LOCK:
        chip().SetError(0)
        current = _current = _Operation(progress, can_cancel)
        try:
            yield
        except BaseException as error:
            # The library's failure was the progress function's doing: its exception is told.
            if current.raised is not None and current.raised is not error:
                raise current.raised from error
            raise
        finally:
            _current = _Operation(None, False)
        if current.raised is not None:
            raise current.raised


def cancelled() -> bool:
    return _current.cancel


def failure(what: str) -> VorpexError:
    """The failure the error state records, told as having happened to `what`."""
    global _captured
    library = chip()
    code = int(library.GetError())
    system_error = int(library.GetWindowsError()) if code == 6 else 0
    if code == 0:
        return VorpexError(0, "the library gave no reason", what=what, cancelled=_current.cancel)
    texts: List[str] = []
    _captured = texts
    try:
        library.DispError(code, system_error)
    finally:
        _captured = None
    detail = ctypes.create_string_buffer(1024)
    library.ErrorDetail(detail, len(detail))
    return VorpexError(
        code,
        " ".join(t.strip() for t in texts) or f"error {code}",
        system_error,
        _text(detail.value),
        what=what,
        cancelled=_current.cancel,
    )
