from __future__ import annotations

import ctypes
import pathlib
from typing import Callable, Optional

import pytest

import vorpex
from vorpex import _loader

Path = pathlib.Path


def recorder(seen: list[tuple[int, int]]) -> vorpex.ProgressFunction:
    def progress(done: int, total: int) -> Optional[bool]:
        seen.append((done, total))
        return None

    return progress


@pytest.mark.parametrize("route", ["chip", "device"])
def test_a_file_goes_to_the_player_and_back_whole(folder: Path, tmp_path: Path, route: str) -> None:
    data = bytes(range(256)) * 300
    (tmp_path / "Long file name.data").write_bytes(data)
    seen: list[tuple[int, int]] = []
    with vorpex.Player.simulated(folder, route=route) as player:
        entry = player.put(tmp_path / "Long file name.data", memory="S", progress=recorder(seen))
        assert (entry.memory, entry.index, entry.name) == ("S", 0, "Long fil.dat")
        assert player.files("S") == [entry] and player.files("M") == []
        usage = [(u.memory, u.used, u.files) for u in player.df()]
        assert usage == [("M", 0, 0), ("S", 16384 * 5, 1)]
        assert player.get("S:long fil.dat", tmp_path) == str(tmp_path / "Long fil.dat")
    assert (tmp_path / "Long fil.dat").read_bytes() == data
    assert seen[0] == (0, len(data)) and seen[-1] == (len(data), len(data))


@pytest.mark.parametrize(
    "name, reason",
    [
        ("too long name.txt", "stored as 'too long.txt'"),
        ("song.flac", "stored as 'song.fla'"),
        (".profile", "needs a base name"),
        ("dir/song.mp3", "not a path"),
        ("bell\a.mp3", "control characters"),
        ("", "empty"),
    ],
)
def test_a_name_the_player_cannot_store_is_refused_before_anything_is_sent(
    player: vorpex.Player, tmp_path: Path, name: str, reason: str
) -> None:
    (tmp_path / "a.mp3").write_bytes(b"x")
    player.put(tmp_path / "a.mp3")
    attempts: list[Callable[[], object]] = [
        lambda: player.put(tmp_path / "a.mp3", name=name),
        lambda: player.rename("M:0", name),
    ]
    for attempt in attempts:
        with pytest.raises(vorpex.VorpexError) as caught:
            attempt()
        assert caught.value.code == 13 and reason in str(caught.value)
    assert [f.name for f in player.files("M")] == ["a.mp3"]


class Stop(Exception):
    pass


def stop_with_false(done: int, total: int) -> Optional[bool]:
    return done == 0


def stop_with_exception(done: int, total: int) -> Optional[bool]:
    if done > 0:
        raise Stop
    return None


@pytest.mark.parametrize("route", ["chip", "device"])
@pytest.mark.parametrize(
    "stop, raised", [(stop_with_false, vorpex.VorpexError), (stop_with_exception, Stop)]
)
def test_the_progress_function_cancels_a_copy_and_nothing_is_left_of_it(
    folder: Path,
    tmp_path: Path,
    route: str,
    stop: vorpex.ProgressFunction,
    raised: type[BaseException],
) -> None:
    (tmp_path / "big.bin").write_bytes(b"\x55" * 200_000)
    (tmp_path / "keep.bin").write_bytes(b"old")
    with vorpex.Player.simulated(folder, route=route) as player:
        with pytest.raises(raised) as caught:
            player.put(tmp_path / "big.bin", progress=stop)
        assert player.files("M") == []
        if isinstance(caught.value, vorpex.VorpexError):
            assert caught.value.cancelled
        entry = player.put(tmp_path / "big.bin")
        with pytest.raises(raised):
            player.get(entry, tmp_path / "keep.bin", progress=stop)
    assert (tmp_path / "keep.bin").read_bytes() == b"old"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["big.bin", "keep.bin", "player"]


def test_files_are_renamed_replaced_removed_and_formatted(
    player: vorpex.Player, tmp_path: Path
) -> None:
    for name, data in (("a.txt", b"1"), ("b.txt", b"22"), ("c.txt", b"333")):
        (tmp_path / name).write_bytes(data)
        player.put(tmp_path / name)
    assert player.rename("M:b.txt", "Bee.txt").name == "Bee.txt"
    with pytest.raises(vorpex.VorpexError, match="already holds a.txt"):
        player.put(tmp_path / "a.txt")
    (tmp_path / "a.txt").write_bytes(b"new a")
    assert player.put(tmp_path / "a.txt", replace=True).size == 5
    listed = [(f.name, f.size) for f in player.files()]
    assert listed == [("Bee.txt", 2), ("c.txt", 3), ("a.txt", 5)]
    player.remove(player.files()[1])
    assert [f.name for f in player.files()] == ["Bee.txt", "a.txt"]
    with pytest.raises(vorpex.VorpexError, match="no file named c.txt"):
        player.remove("M:c.txt")
    with pytest.raises(vorpex.VorpexError) as caught:
        player.format("M", kind="mp3")
    assert caught.value.code == 11
    player.format("M")
    assert player.files("M") == []


UNPLUG, MEMORY_FULL, AT_TRANSFER_OUT = 1, 6, 3


@pytest.mark.parametrize(
    "arm, code",
    [
        # The directory read goes out first, then the copy's command.
        (lambda: _loader.sim().AimFault(UNPLUG, AT_TRANSFER_OUT, 2, 0, 0), 4),
        (lambda: _loader.sim().SetFault(MEMORY_FULL, 1), 9),
    ],
)
def test_a_failure_carries_the_library_code_and_text(
    player: vorpex.Player, tmp_path: Path, arm: Callable[[], int], code: int
) -> None:
    (tmp_path / "a.mp3").write_bytes(b"x" * 1000)
    arm()
    with pytest.raises(vorpex.VorpexError) as caught:
        player.put(tmp_path / "a.mp3")
    _loader.sim().SetFault(UNPLUG, 0)
    _loader.sim().SetFault(MEMORY_FULL, 0)
    assert caught.value.code == code and caught.value.text and not caught.value.cancelled
    assert player.files("M") == []


def test_device_information_upgrade_and_mp3_headers(player: vorpex.Player, tmp_path: Path) -> None:
    assert player.info().device_information.startswith(b"PYTEST PLAYER")
    image = b"BOOT" * 64
    records = [f":10{a:04X}00{image[a:a + 16].hex().upper()}" for a in range(0, len(image), 16)]
    lines = [r + f"{-sum(bytes.fromhex(r[1:])) & 0xFF:02X}" for r in records] + [":00000001FF"]
    (tmp_path / "boot.hex").write_text("\n".join(lines) + "\n")
    _loader.sim().UseVirtualTime(1)
    moved: list[tuple[int, int]] = []
    player.upgrade_boot(tmp_path / "boot.hex", progress=recorder(moved))
    area = (ctypes.c_uint8 * 8192)()
    written = _loader.sim().ReadArea(0, area, 8192)
    assert bytes(area)[:written].startswith(image) and moved[-1][0] >= len(image)
    (tmp_path / "bad.hex").write_text(":10000000zz\n")
    with pytest.raises(vorpex.VorpexError) as caught:
        player.upgrade_codec(tmp_path / "bad.hex")
    assert (caught.value.code, caught.value.system_error) == (6, 13)  # not valid Intel HEX
    _loader.sim().UseVirtualTime(0)
    frame = b"\xff\xfb\x90\x00" + b"\x00" * 413  # MPEG-1 Layer III, 128 kbit/s, 44.1 kHz
    (tmp_path / "a.mp3").write_bytes(frame * 3)
    assert vorpex.mp3_info(tmp_path / "a.mp3") == vorpex.Mp3Info(3, 128)
    assert vorpex.mp3_info(tmp_path / "boot.hex") is None


def test_every_function_is_bound_on_windows_under_a_name_the_dlls_export(
    monkeypatch: pytest.MonkeyPatch,
) -> None:
    repository = Path(__file__).resolve().parents[2]
    exported = set()
    for def_file in ("chiplib/VORPEXUSB.def", "devicelib/ORVANEUsbDll.def", "sim/VorpexSim.def"):
        lines = (repository / def_file).read_text().split("EXPORTS", 1)[1].splitlines()
        exported |= {line.split()[0] for line in lines if line.strip() and line.strip()[0] != ";"}
    bound: list[str] = []

    def prototype(restype: object, *argtypes: object) -> Callable[[tuple[str, object]], None]:
        return lambda symbol_and_library: bound.append(symbol_and_library[0])

    monkeypatch.setattr(_loader, "WINDOWS", True)
    monkeypatch.setattr(ctypes, "CFUNCTYPE", prototype)
    monkeypatch.setattr(ctypes, "WINFUNCTYPE", prototype, raising=False)
    for library in (_loader.Chip, _loader.Device, _loader.Sim):
        library(None)  # type: ignore[arg-type]
    assert "_Usb_GetBitRateAndType@16" in bound and set(bound) <= exported
