"""What the player tells, as small typed records."""

from __future__ import annotations

import datetime
from dataclasses import dataclass
from typing import Optional

UNIT_BYTES = 16384  # the players' memory figures count in these units


@dataclass(frozen=True)
class Entry:
    """A file on the player: its memory ("M" or "S"), its entry number as the directory read
    counts files (it changes when files before it go), its listed name, size in bytes, last
    write time (None when the player keeps none that is valid) and FAT attribute byte."""

    memory: str
    index: int
    name: str
    size: int
    modified: Optional[datetime.datetime]
    attributes: int

    def __str__(self) -> str:
        return f"{self.memory}:{self.name}"


@dataclass(frozen=True)
class MemoryUsage:
    """A memory's figures in bytes, and how many files it holds."""

    memory: str
    capacity: int
    used: int
    files: int

    @property
    def free(self) -> int:
        return max(self.capacity - self.used, 0)


@dataclass(frozen=True)
class PlayerInfo:
    """The player's 20 bytes of device information and the way this package reaches its files
    ("chip" or "device", the library whose storage operations it uses)."""

    device_information: bytes
    route: str
    simulated: bool

    @property
    def text(self) -> str:
        """The device information with every byte that is not printable ASCII shown as "."."""
        return "".join(chr(b) if 0x20 <= b < 0x7F else "." for b in self.device_information)

    @property
    def hex(self) -> str:
        return " ".join(f"{b:02X}" for b in self.device_information)


@dataclass(frozen=True)
class Mp3Info:
    """What the device library reads from an audio file's first frames: MPEG audio Layer 3 or
    2, and the bit rate in kbit/s."""

    layer: int
    bit_rate: int


def dos_time(date: int, time: int) -> Optional[datetime.datetime]:
    """An MS-DOS packed date and time, or None when they name no valid moment."""
    try:
        return datetime.datetime(
            1980 + (date >> 9),
            (date >> 5) & 15,
            date & 31,
            (time >> 11) & 31,
            (time >> 5) & 63,
            min((time & 31) * 2, 59),
        )
    except ValueError:
        return None
