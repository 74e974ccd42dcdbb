"""Names on the player: the 8.3 short name under which the libraries store a PC file, the name
the player lists for it, and a PC name for a stored one. Pure functions, no I/O."""

from __future__ import annotations

import re
from typing import Callable, Optional

_BASE_LIMIT = 8
_EXTENSION_LIMIT = 3
_DEFAULT_BASE = "vorpex"
_NOT_ON_PC = set('/\\:*?"<>|')
_DEVICE = re.compile(r"^(CON|PRN|AUX|NUL|CONIN\$|CONOUT\$|COM[1-9]|LPT[1-9])$", re.IGNORECASE)

# Bytes a character takes in the system's narrow strings.
ByteLength = Callable[[str], int]


def _whole(text: str, limit: int, length: ByteLength) -> str:
    """The leading characters of `text` that fit in `limit` bytes, each whole or not at all."""
    out, used = "", 0
    for character in text:
        n = length(character)
        if used + n > limit:
            break
        out, used = out + character, used + n
    return out


def short_name(path: str, length: ByteLength) -> Optional[str]:
    """The short name ("BASE.EXT", with a dot always) the libraries store `path` under; None
    when the name is nothing but a leading dot and an extension."""
    path = path.split("\0", 1)[0]
    slash = max(path.rfind("/"), path.rfind("\\"))
    dot = path.rfind(".")
    if dot > slash:
        if dot == 0:
            return None
        base, extension = path[slash + 1 : dot], _whole(path[dot + 1 :], _EXTENSION_LIMIT, length)
    else:
        base, extension = path[slash + 1 :], ""
    return (_whole(base, _BASE_LIMIT, length) or _DEFAULT_BASE) + "." + extension


def listed_name(name: str) -> str:
    """The name the player lists for a stored short name: trailing blanks dropped, no dot
    without an extension."""
    base, dot, extension = name.rpartition(".")
    if not dot:
        base, extension = name, ""
    base, extension = base.rstrip(" \0"), extension.rstrip(" \0")
    return f"{base}.{extension}" if extension else base


def same_name(a: str, b: str) -> bool:
    """Whether two stored names are one, as the player's names compare (ASCII case ignored)."""
    fold = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")
    return listed_name(a).translate(fold) == listed_name(b).translate(fold)


def storable_problem(name: str, length: ByteLength) -> Optional[str]:
    """Why the player cannot store a file under exactly `name`, or None when it can."""
    if not name:
        return "an empty name"
    if any(c in "/\\" for c in name):
        return "a name, not a path, is stored"
    if any(ord(c) < 0x20 or ord(c) == 0x7F for c in name):
        return "control characters cannot be stored"
    stored = short_name(name, length)
    if stored is None:
        return "an 8.3 name needs a base name before its dot"
    if listed_name(stored) != name:
        return (
            f"the player stores 8.3 names (at most {_BASE_LIMIT} bytes, a dot and "
            f"{_EXTENSION_LIMIT} bytes): it would be stored as {listed_name(stored)!r}"
        )
    return None


def local_file_name(stored: str) -> str:
    """A PC file name for the stored name: characters a PC name cannot hold become "_", and a
    name of dots only or of a Windows device gets a "_" in front."""
    name = "".join("_" if c in _NOT_ON_PC or ord(c) < 0x20 or ord(c) == 0x7F else c for c in stored)
    if not name.strip(".") or _DEVICE.match(name.split(".", 1)[0]):
        name = "_" + name
    return name


SAMPLE_IMAGE_MARK = b"VORPEX SAMPLE IMAGE - NOT FIRMWARE"
SAMPLE_IMAGE_HEAD = 4096


def is_sample_image(hex_text: bytes) -> bool:
    """Whether the data of an Intel HEX text, from its first data record on and without a gap,
    begin with the mark of the sample images that come with the programs."""
    data, expected = b"", None
    for line in hex_text.splitlines():
        line = line.strip()
        if not line.startswith(b":") or len(line) < 11:
            continue
        try:
            count, address, kind = int(line[1:3], 16), int(line[3:7], 16), int(line[7:9], 16)
            payload = bytes.fromhex(line[9 : 9 + 2 * count].decode("ascii"))
        except ValueError:
            break
        if kind != 0:
            continue
        if expected is not None and address != expected:
            break
        data, expected = data + payload, address + len(payload)
        if len(data) >= len(SAMPLE_IMAGE_MARK):
            break
    return data.startswith(SAMPLE_IMAGE_MARK)
