"""The one exception this package raises for a failure."""

from __future__ import annotations

from typing import Optional

# The chip library's error codes (VORPEX_GetError).
USB = 4
WINDOWS = 6
FORMAT = 10
UNSUPPORTED = 11
INVALID_FILENAME = 13
USERBREAK = 14


class VorpexError(Exception):
    """A failure, with the library's error code and text, and for code 6 the system's error.

    code: the chip library's error code (VORPEX_GetError); 0 when the library recorded none, as
    for a failure this package found before calling it.
    text: the library's own text for that code (the system's text for code 6), or this
    package's words for a failure it found itself.
    system_error: the Windows error code that goes with code 6 (Linux uses the same numbers:
    2 no such file, 5 access denied), else 0.
    detail: what the library knew beyond its code, or "".
    cancelled: True when the progress callback stopped the operation.
    """

    def __init__(
        self,
        code: int,
        text: str,
        system_error: int = 0,
        detail: str = "",
        what: Optional[str] = None,
        cancelled: bool = False,
    ) -> None:
        self.code = code
        self.text = text
        self.system_error = system_error
        self.detail = detail
        self.cancelled = cancelled
        message = text
        if what:
            message = f"{what}{' ' if what.endswith(('?', '.')) else ': '}{text}"
        if detail:
            message += f" {detail}"
        if code == WINDOWS:
            message += f" (library error {code}, Windows error {system_error})"
        elif code:
            message += f" (library error {code})"
        super().__init__(message)
