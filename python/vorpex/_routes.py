"""The two ways to the player's files: the chip library's storage operations (with rename,
plain formats only) and the device library's (MP3 and voice formats, no rename). Each call
returns whether it worked; the reason of a failure is in the chip library's error state."""

from __future__ import annotations

import ctypes
from typing import Any, Callable, List, Optional, Tuple

from . import _host, _loader
from .records import Entry, dos_time

# Entry numbers run from 0 to 255; a few records more show that there are more files.
LIST_CAPACITY = 512
MEMORIES = ("M", "S")
FORMAT_KINDS = ("plain", "mp3", "voice")
# The device library's formats and copies want a session value; any non-null one will do.
_SESSION = ctypes.c_void_p(1)


def _name(entry: _loader.DirEntry) -> str:
    base = _loader.decode(bytes(entry.name).rstrip(b" \0"))
    extension = _loader.decode(bytes(entry.extension).rstrip(b" \0"))
    return f"{base}.{extension}" if extension else base


def listing(
    memory: int, info: _loader.MemoryInfo, entries: "ctypes.Array[_loader.DirEntry]", count: int
) -> List[Entry]:
    letter = MEMORIES[memory]
    return [
        Entry(
            letter,
            i,
            _name(entries[i]),
            int(entries[i].size),
            dos_time(entries[i].date & 0xFFFF, entries[i].time & 0xFFFF),
            int(entries[i].attributes),
        )
        for i in range(min(count, LIST_CAPACITY))
    ]


Directory = Tuple[_loader.MemoryInfo, List[Entry]]


class Route:
    name = ""
    can_rename = False
    format_kinds: Tuple[str, ...] = ()

    def read(self, memory: int) -> Optional[Directory]:
        raise NotImplementedError

    def delete(self, entry: Entry) -> bool:
        raise NotImplementedError

    def rename(self, entry: Entry, stored: bytes) -> bool:
        raise NotImplementedError

    def format(self, memory: int, kind: str) -> bool:
        raise NotImplementedError

    def put(self, memory: int, path: bytes) -> bool:
        raise NotImplementedError

    def get(self, entry: Entry, target: bytes, shown: bytes) -> bool:
        raise NotImplementedError

    def close(self) -> None:
        raise NotImplementedError


def _read(function: Callable[..., Any], first: object, memory: int) -> Optional[Directory]:
    info = _loader.MemoryInfo()
    entries = (_loader.DirEntry * LIST_CAPACITY)()
    count = ctypes.c_uint32(LIST_CAPACITY)
    if function(first, memory, ctypes.byref(info), entries, ctypes.byref(count)) != 1:
        return None
    return info, listing(memory, info, entries, count.value)


class ChipRoute(Route):
    name = "chip"
    can_rename = True
    format_kinds = ("plain",)

    def __init__(self, device: int) -> None:
        self.chip = _host.chip()
        self.device = ctypes.c_void_p(device)

    def read(self, memory: int) -> Optional[Directory]:
        return _read(self.chip.Refresh, self.device, memory)

    def delete(self, entry: Entry) -> bool:
        shown = _loader.encode(entry.name)
        memory = MEMORIES.index(entry.memory)
        return bool(self.chip.Delete(None, self.device, memory, entry.index, shown) == 1)

    def rename(self, entry: Entry, stored: bytes) -> bool:
        memory = MEMORIES.index(entry.memory)
        return bool(self.chip.Rename(self.device, memory, entry.index, stored) == 1)

    def format(self, memory: int, kind: str) -> bool:
        return bool(self.chip.Format(None, self.device, memory) == 1)

    def put(self, memory: int, path: bytes) -> bool:
        return bool(self.chip.DownloadElseFile(None, self.device, memory, path) == 1)

    def get(self, entry: Entry, target: bytes, shown: bytes) -> bool:
        memory = MEMORIES.index(entry.memory)
        result = self.chip.Upload(None, self.device, memory, entry.index, target, shown, entry.size)
        return bool(result == 1)

    def close(self) -> None:
        self.chip.Close(self.device)


class DeviceRoute(Route):
    name = "device"
    format_kinds = FORMAT_KINDS

    def __init__(self) -> None:
        self.library = _loader.device()

    def read(self, memory: int) -> Optional[Directory]:
        return _read(self.library.Refresh, None, memory)

    def delete(self, entry: Entry) -> bool:
        memory = MEMORIES.index(entry.memory)
        return bool(self.library.Delete(None, memory, entry.index) == 0)

    def format(self, memory: int, kind: str) -> bool:
        self.library.FileCount(_SESSION, memory)
        return bool(self.library.Formats[kind](None, _SESSION, memory) == 0)

    def put(self, memory: int, path: bytes) -> bool:
        return bool(self.library.CopyToPlayer(memory, path, _host.DEVICE_PROGRESS, None) == 1)

    def get(self, entry: Entry, target: bytes, shown: bytes) -> bool:
        memory = MEMORIES.index(entry.memory)
        result = self.library.CopyFromPlayer(
            memory, entry.index, target, entry.size, _host.DEVICE_PROGRESS, None
        )
        return bool(result == 1)

    def close(self) -> None:
        self.library.Close(0)


def open_route(choice: str) -> Optional[Route]:
    """The route asked for ("chip", "device"), or with "any" the chip library's when it finds
    the player and else the device library's; None when no player answers on it."""
    if choice in ("any", "chip"):
        device = _host.chip().Open()
        if device:
            return ChipRoute(device)
    if choice in ("any", "device") and _loader.device().Checking(0) == 1:
        return DeviceRoute()
    return None
