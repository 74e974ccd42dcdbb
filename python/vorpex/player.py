"""A player, real or simulated, and what can be done with its files and firmware."""

from __future__ import annotations

import ctypes
import os
import shutil
import tempfile
from typing import Callable, List, Optional, Union

from . import _host, _loader, _names
from ._errors import INVALID_FILENAME, UNSUPPORTED, VorpexError
from ._routes import FORMAT_KINDS, MEMORIES, Directory, Route, open_route
from .records import UNIT_BYTES, Entry, MemoryUsage, Mp3Info, PlayerInfo

# Called with the bytes moved so far and in all; returning False (or raising) cancels a copy.
ProgressFunction = Callable[[int, int], Optional[bool]]
PathLike = Union[str, "os.PathLike[str]"]
# An Entry, or a word as vorpex takes one: "M:3", "S:NAME.EXT", "NAME.EXT" (memory M).
EntryRef = Union[Entry, str]

_DEVICE_INFO_SIZE = 20
_MP3_SCAN_BYTES = 19267
_MP3_LAYER3 = 16
_BOOT, _CODEC = 1, 0


def _memory(memory: Union[str, int]) -> int:
    if isinstance(memory, int) and memory in (0, 1):
        return memory
    if isinstance(memory, str) and memory.upper() in MEMORIES:
        return MEMORIES.index(memory.upper())
    raise ValueError(f"memory {memory!r}: the player's memories are 'M' and 'S'")


def _byte_length(character: str) -> int:
    return len(_loader.encode(character))


def _readable(path: PathLike) -> str:
    text = os.fspath(path)
    if not os.path.isfile(text):
        reason = "not a regular file" if os.path.exists(text) else "no such file"
        raise VorpexError(0, f"cannot read {text}: {reason}")
    return text


def mp3_info(path: PathLike) -> Optional[Mp3Info]:
    """The layer and bit rate of an MPEG audio file as the device library reads them from its
    first frames; None when no MPEG audio frame is found there. No player is needed."""
    with open(_readable(path), "rb") as file:
        data = file.read(_MP3_SCAN_BYTES)
    bit_rate, kind = ctypes.c_int32(0), ctypes.c_int32(0)
    with _loader.LOCK:
        found = _loader.device().GetBitRateAndType(
            data, len(data), ctypes.byref(bit_rate), ctypes.byref(kind)
        )
    if found != 1:
        return None
    return Mp3Info(3 if kind.value == _MP3_LAYER3 else 2, bit_rate.value)


def create_simulated_player(
    folder: PathLike,
    capacity_m: Optional[int] = None,
    capacity_s: Optional[int] = None,
    device_information: Optional[bytes] = None,
) -> None:
    """Creates a simulated player in `folder` (the defaults: memory M 32 MiB, S 16 MiB);
    capacities in bytes, rounded down to the player's 16 KiB units."""
    sim = _loader.sim()
    settings = _loader.PlayerSimSettings()
    sim.DefaultSettings(ctypes.byref(settings))
    if capacity_m is not None:
        settings.capacityM = capacity_m // UNIT_BYTES
    if capacity_s is not None:
        settings.capacityS = capacity_s // UNIT_BYTES
    if device_information is not None:
        if len(device_information) > _DEVICE_INFO_SIZE:
            raise ValueError(f"device information holds at most {_DEVICE_INFO_SIZE} bytes")
        ctypes.memmove(settings.deviceInfo, device_information, len(device_information))
    with _loader.LOCK:
        if sim.CreateStateDir(_loader.encode(folder), ctypes.byref(settings)) != 1:
            raise VorpexError(0, sim.message(), what=f"no simulated player made in {folder}")


class Player:
    """The player: the real one, or the simulated one that VORPEX_SIMULATOR names; see
    Player.simulated for one kept in a folder. `route` picks the library whose storage
    operations are used: "chip", "device" or "any" (the chip library's when it finds the
    player). Use it in a with-block, or call close()."""

    def __init__(self, route: str = "any") -> None:
        if route not in ("any", "chip", "device"):
            raise ValueError(f"route {route!r}: 'any', 'chip' or 'device'")
        self._attached = False
        with _host.operation():
            opened = open_route(route)
            if opened is None:
                hint = (
                    "no player answers: is it plugged in, with its driver installed (on Linux "
                    "the udev rule 70-vorpex-player.rules lets the logged-in user open it)?"
                )
                error = _host.failure(hint)
                raise error if error.code else VorpexError(0, hint)
        self._route: Optional[Route] = opened

    @classmethod
    def simulated(cls, folder: PathLike, route: str = "any") -> "Player":
        """The simulated player kept in `folder` (made by create_simulated_player or
        `vorpex sim init`); closing it goes back to the real drivers."""
        sim = _loader.sim()
        with _loader.LOCK:
            if sim.Attach(_loader.encode(folder)) != 1:
                message = sim.message()
                sim.Detach()
                raise VorpexError(0, message, what=f"the simulated player in {folder}")
        try:
            player = cls(route)
        except BaseException:
            sim.Detach()
            raise
        player._attached = True
        return player

    def __enter__(self) -> "Player":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def close(self) -> None:
        with _loader.LOCK:
            if self._route is not None:
                self._route.close()
                self._route = None
            if self._attached:
                _loader.sim().Detach()
                self._attached = False

    @property
    def route(self) -> str:
        return self._open().name

    @property
    def simulated_player(self) -> bool:
        return self._attached or bool(os.environ.get("VORPEX_SIMULATOR"))

    def _open(self) -> Route:
        if self._route is None:
            raise VorpexError(0, "the player was closed")
        return self._route

    def _directory(self, memory: int) -> Directory:
        directory = self._open().read(memory)
        if directory is None:
            what = f"the directory of memory {MEMORIES[memory]} cannot be read"
            error = _host.failure(what)
            # The directory read records no code when the player does not answer it.
            raise error if error.code else VorpexError(0, "the player does not answer", what=what)
        return directory

    def _resolve(self, entry: EntryRef) -> Entry:
        """The file `entry` names, looked up in its memory's directory as it is now: an Entry
        is found by its name (at its own index when the name is there twice)."""
        if isinstance(entry, str):
            memory, word = "M", entry
            if len(entry) >= 2 and entry[1] == ":" and entry[0].upper() in MEMORIES:
                memory, word = entry[0].upper(), entry[2:]
            if not word:
                raise ValueError(f"{entry!r} names no file")
            index = int(word) if word.isdigit() and len(word) <= 3 else None
            name = word
        else:
            memory, index, name = entry.memory, None, entry.name
        files = self._directory(_memory(memory))[1]
        if index is not None:
            found = [f for f in files if f.index == index]
        else:
            found = [f for f in files if _names.same_name(f.name, name)]
            if isinstance(entry, Entry) and len(found) > 1:
                found = [f for f in found if f.index == entry.index] or found
        if not found:
            what = f"no entry {index}" if index is not None else f"no file named {name}"
            raise VorpexError(0, f"memory {memory} has {what}")
        return found[0]

    def files(self, memory: Union[str, int] = "M") -> List[Entry]:
        """The files of memory "M" or "S", in the player's order."""
        with _host.operation():
            return self._directory(_memory(memory))[1]

    def df(self) -> List[MemoryUsage]:
        """Size, use and file count of both memories."""
        usage = []
        with _host.operation():
            for memory in range(len(MEMORIES)):
                info, files = self._directory(memory)
                usage.append(
                    MemoryUsage(
                        MEMORIES[memory],
                        info.capacity * UNIT_BYTES,
                        info.used * UNIT_BYTES,
                        len(files),
                    )
                )
        return usage

    def put(
        self,
        path: PathLike,
        memory: Union[str, int] = "M",
        name: Optional[str] = None,
        progress: Optional[ProgressFunction] = None,
        replace: bool = False,
    ) -> Entry:
        """Copies the PC file `path` to the player, stored under `name` or else the 8.3 short
        name of its file name, and returns its entry. A name the memory holds already is
        refused unless `replace`: then the new copy is stored first and the old one deleted
        after. A name the player cannot store as given is refused before anything is sent; a
        failed or cancelled copy leaves the player nothing of it."""
        source = _readable(path)
        area = _memory(memory)
        if name is not None:
            problem = _names.storable_problem(name, _byte_length)
            if problem:
                raise VorpexError(INVALID_FILENAME, f"{name!r} cannot be stored: {problem}")
            stored = name
        else:
            short = _names.short_name(os.path.basename(source), _byte_length)
            if short is None:
                raise VorpexError(
                    INVALID_FILENAME,
                    f"{source} has no name the player can store (an 8.3 name needs a base name)",
                )
            stored = _names.listed_name(short)
        letter = MEMORIES[area]
        with _host.operation(progress):
            before = self._directory(area)[1]
            old = [f for f in before if _names.same_name(f.name, stored)]
            if old and not replace:
                raise VorpexError(
                    0,
                    f"memory {letter} already holds {old[0].name} (entry {old[0].index}); "
                    "replace=True replaces it",
                )
            with tempfile.TemporaryDirectory(prefix="vorpex-") as folder:
                sent = source
                if name is not None and os.path.basename(source) != name:
                    sent = os.path.join(folder, name)
                    try:
                        os.link(source, sent)
                    except OSError:
                        shutil.copyfile(source, sent)
                if not self._open().put(area, _loader.encode(sent)):
                    raise _host.failure(f"the copy of {source} to memory {letter}")
            after = self._directory(area)[1]
            at = _inserted_at(before, after)
            if old:
                index = old[0].index if old[0].index < at else old[0].index + 1
                stale = after[index] if index < len(after) else None
                if stale is None or not _names.same_name(stale.name, stored):
                    raise VorpexError(
                        0,
                        f"the new {stored} is stored, but the old one is no longer at entry "
                        f"{index}: both are on the player",
                    )
                if not self._open().delete(stale):
                    raise _host.failure(
                        f"the new {stored} is stored, but the old one (entry {index}) could not "
                        "be deleted"
                    )
                if index < at:
                    at -= 1
                after = self._directory(area)[1]
        return after[min(at, len(after) - 1)]

    def get(
        self,
        entry: EntryRef,
        dest: PathLike = ".",
        progress: Optional[ProgressFunction] = None,
    ) -> str:
        """Copies a file of the player into `dest`: a folder (under its stored name, with the
        characters a PC name cannot hold as "_") or a file name in a folder that exists. The
        file appears only when complete; a failed or cancelled copy leaves a file that was
        there as it was. Returns the path written."""
        target = os.fspath(dest)
        with _host.operation(progress):
            file = self._resolve(entry)
            if os.path.isdir(target):
                target = os.path.join(target, _names.local_file_name(file.name))
            elif not os.path.isdir(os.path.dirname(target) or "."):
                raise VorpexError(0, f"the folder {os.path.dirname(target)} does not exist")
            shown = _loader.encode(str(file))
            if not self._open().get(file, _loader.encode(target), shown):
                raise _host.failure(f"the copy of {file} to {target}")
        return target

    def remove(self, entry: EntryRef) -> None:
        """Deletes a file of the player."""
        with _host.operation():
            file = self._resolve(entry)
            if not self._open().delete(file):
                raise _host.failure(f"{file} could not be deleted")

    def rename(self, entry: EntryRef, new_name: str) -> Entry:
        """Renames a file of the player (the chip library's route only) and returns its entry."""
        problem = _names.storable_problem(new_name, _byte_length)
        if problem:
            raise VorpexError(INVALID_FILENAME, f"{new_name!r} cannot be stored: {problem}")
        route = self._open()
        if not route.can_rename:
            raise VorpexError(UNSUPPORTED, f"the {route.name} library's route has no rename")
        with _host.operation():
            file = self._resolve(entry)
            area = _memory(file.memory)
            taken = [
                f
                for f in self._directory(area)[1]
                if f.index != file.index and _names.same_name(f.name, new_name)
            ]
            if taken:
                other = taken[0]
                raise VorpexError(
                    0, f"memory {file.memory} already holds {other.name} (entry {other.index})"
                )
            if not route.rename(file, _loader.encode(new_name)):
                raise _host.failure(f"{file} could not be renamed to {new_name}")
            return self._directory(area)[1][file.index]

    def format(self, memory: Union[str, int], kind: str = "plain") -> None:
        """Formats memory "M" or "S", deleting every file on it: as plain memory, or through
        the device library's route "mp3" or "voice" memory."""
        area = _memory(memory)
        route = self._open()
        if kind not in FORMAT_KINDS:
            raise ValueError(f"format kind {kind!r}: one of {', '.join(FORMAT_KINDS)}")
        if kind not in route.format_kinds:
            raise VorpexError(
                UNSUPPORTED, f"the {route.name} library's route formats as plain only"
            )
        with _host.operation():
            if not route.format(area, kind):
                raise _host.failure(f"memory {MEMORIES[area]} could not be formatted")

    def _device_session(self, what: str) -> _loader.Device:
        device = _loader.device()
        if device.Checking(0) != 1:
            raise _host.failure(what)
        return device

    def _end_device_session(self, device: _loader.Device) -> None:
        # The device library's route keeps its session for the player's life.
        if self._open().name != "device":
            device.Close(0)

    def info(self) -> PlayerInfo:
        """The player's device information."""
        with _host.operation():
            device = self._device_session("no player answers the device library")
            raw = (ctypes.c_uint8 * _DEVICE_INFO_SIZE)()
            failed = device.GetDevInfo(None, raw)
            error = _host.failure("the device information cannot be read") if failed else None
            self._end_device_session(device)
            if error is not None:
                raise error
            return PlayerInfo(bytes(raw), self.route, self.simulated_player)

    def upgrade_boot(
        self, hex_file: PathLike, progress: Optional[ProgressFunction] = None
    ) -> None:
        """Writes the boot code of an Intel HEX file into the player. It cannot be cancelled:
        `progress` is told of the image's bytes as they go, its answer changes nothing."""
        self._upgrade(_BOOT, hex_file, progress)

    def upgrade_codec(
        self, hex_file: PathLike, progress: Optional[ProgressFunction] = None
    ) -> None:
        """Writes the codec (the main firmware) of an Intel HEX file into the player."""
        self._upgrade(_CODEC, hex_file, progress)

    def _upgrade(self, kind: int, hex_file: PathLike, progress: Optional[ProgressFunction]) -> None:
        area = "boot code" if kind == _BOOT else "codec"
        path = _readable(hex_file)
        with open(path, "rb") as file:
            head = file.read(_names.SAMPLE_IMAGE_HEAD)
        if _names.is_sample_image(head) and not self.simulated_player:
            raise VorpexError(
                0,
                f"{path} is a sample image that comes with the programs, not firmware: it is "
                "only sent to a simulated player. Nothing was sent to the player.",
            )
        encoded = _loader.encode(path)
        with _host.operation(progress, can_cancel=False):
            device = self._device_session("no player answers the device library")
            done = device.UpgradeFirmware(None, None, kind, 0, encoded, encoded)
            error = _host.failure(f"the {area} upgrade from {path}") if done != 1 else None
            self._end_device_session(device)
            if error is not None:
                raise error

    mp3_info = staticmethod(mp3_info)


def _inserted_at(before: List[Entry], after: List[Entry]) -> int:
    """Where the new file went: the first place where the directory after a copy differs
    from the one before, which it equals but for that one file."""
    i = 0
    while i < len(before) and i < len(after):
        a, b = before[i], after[i]
        if (a.name, a.size, a.modified) != (b.name, b.size, b.modified):
            break
        i += 1
    return i
