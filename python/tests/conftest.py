from __future__ import annotations

import pathlib
from typing import Iterator

import pytest

import vorpex


@pytest.fixture
def folder(tmp_path: pathlib.Path) -> pathlib.Path:
    """A fresh simulated player's folder."""
    vorpex.create_simulated_player(tmp_path / "player", device_information=b"PYTEST PLAYER")
    return tmp_path / "player"


@pytest.fixture
def player(folder: pathlib.Path) -> Iterator[vorpex.Player]:
    with vorpex.Player.simulated(folder) as opened:
        yield opened
