"""Drive the Vorpex portable MP3 player, or a simulated one, from Python.

    import vorpex
    with vorpex.Player() as player:            # or vorpex.Player.simulated("player-folder")
        entry = player.put("song.mp3", memory="M")
        for file in player.files("M"):
            print(file.index, file.name, file.size)

The package calls the player's two libraries (VORPEXUSB, ORVANEUsbDll) through ctypes; it finds
them where they are installed, or in the folders VORPEX_LIBRARY_PATH names. Every failure is a
VorpexError carrying the library's error code, its text and the system's error.
"""

from ._errors import VorpexError
from .player import Player, ProgressFunction, create_simulated_player, mp3_info
from .records import Entry, MemoryUsage, Mp3Info, PlayerInfo

__all__ = [
    "Entry",
    "MemoryUsage",
    "Mp3Info",
    "Player",
    "PlayerInfo",
    "ProgressFunction",
    "VorpexError",
    "create_simulated_player",
    "mp3_info",
]
