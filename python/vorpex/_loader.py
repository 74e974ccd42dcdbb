"""Finds and loads the player's libraries and declares the C functions this package calls.

Search order: the folders of VORPEX_LIBRARY_PATH (a build folder such as build/dev/bin), then
where the packages install them (Debian's /usr/lib/<triplet>, the Windows install folder), then
the system loader's own search. The chip library is loaded first: the device library and the
simulated player's library then bind to that same copy of it.
"""

from __future__ import annotations

import ctypes
import os
import struct
import sys
import sysconfig
import threading
from ctypes import POINTER, c_char_p, c_int32, c_uint8, c_uint32, c_void_p
from typing import Any, Callable, Dict, List, Optional, Sequence

from ._errors import VorpexError

WINDOWS = sys.platform == "win32"
LIBRARY_PATH_VARIABLE = "VORPEX_LIBRARY_PATH"

# Each library by the names it is installed under, the versioned one first.
_FILE_NAMES: Dict[str, List[str]] = {
    "chip": ["VORPEXUSB.dll"] if WINDOWS else ["libVORPEXUSB.so.0", "libVORPEXUSB.so"],
    "device": ["ORVANEUsbDll.dll"] if WINDOWS else ["libORVANEUsbDll.so.0", "libORVANEUsbDll.so"],
    "sim": ["VorpexSim.dll"] if WINDOWS else ["libvorpexsim.so.0", "libvorpexsim.so"],
}

# One lock for every call into the libraries: their error state is the process's.
LOCK = threading.RLock()


def search_folders() -> List[str]:
    """The folders searched before the system loader's own search, in order."""
    folders = [f for f in os.environ.get(LIBRARY_PATH_VARIABLE, "").split(os.pathsep) if f]
    if WINDOWS:
        for variable, tail in (
            ("LOCALAPPDATA", ("Programs", "Vorpex")),
            ("ProgramFiles", ("Vorpex",)),
            ("ProgramFiles(x86)", ("Vorpex",)),
        ):
            base = os.environ.get(variable)
            if base:
                folders.append(os.path.join(base, *tail))
    else:
        triplet = sysconfig.get_config_var("MULTIARCH")
        for prefix in ("/usr/local/lib", "/usr/lib"):
            if triplet:
                folders.append(os.path.join(prefix, str(triplet)))
            folders.append(prefix)
    return folders


_dll_folders: List[object] = []


def _open(path: str) -> ctypes.CDLL:
    if WINDOWS:
        folder = os.path.dirname(path)
        if folder and hasattr(os, "add_dll_directory"):
            # The device library needs the chip library beside it; kept for the process's life.
            _dll_folders.append(getattr(os, "add_dll_directory")(folder))
    return ctypes.CDLL(path)


def load(which: str) -> ctypes.CDLL:
    """The library `which` ("chip", "device" or "sim"), or VorpexError saying where it looked."""
    names = _FILE_NAMES[which]
    tried: List[str] = []
    for folder in search_folders():
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                try:
                    return _open(path)
                except OSError as error:
                    tried.append(f"{path}: {error}")
    for name in names:
        try:
            return _open(name)
        except OSError as error:
            tried.append(f"{name}: {error}")
    hint = ""
    if WINDOWS and struct.calcsize("P") == 8:
        hint = " The libraries are 32-bit Windows DLLs: use a 32-bit Python."
    raise VorpexError(
        0,
        f"the {names[0]} library cannot be found or loaded; set {LIBRARY_PATH_VARIABLE} to the "
        f"folder that holds it.{hint} Tried: " + "; ".join(tried),
    )


def bind(
    library: ctypes.CDLL,
    name: str,
    restype: Any,
    argtypes: Sequence[Any],
    stdcall: bool = False,
    exported_as: Optional[str] = None,
) -> Callable[..., Any]:
    """The function `name` of `library`. `stdcall`: a stdcall function, which 32-bit Windows
    exports under its decorated name (_Name@bytes of arguments) unless `exported_as` says."""
    factory: Any = ctypes.CFUNCTYPE
    symbol = name
    if WINDOWS and stdcall:
        factory = getattr(ctypes, "WINFUNCTYPE")
        symbol = exported_as or f"_{name}@{4 * len(argtypes)}"
    prototype = factory(restype, *argtypes)
    function: Callable[..., Any] = prototype((symbol, library))
    return function


class DirEntry(ctypes.Structure):
    """A file of a memory's directory, as both libraries' directory reads fill it."""

    _fields_ = [
        ("name", ctypes.c_char * 8),
        ("zero8", c_uint8),
        ("extension", ctypes.c_char * 3),
        ("unused12", c_uint8),
        ("zero13", c_uint8),
        ("unused14", c_uint8 * 2),
        ("time", c_uint32),
        ("date", c_uint32),
        ("size", c_uint32),
        ("attributes", c_uint32),
    ]


class MemoryInfo(ctypes.Structure):
    _fields_ = [
        ("entries", c_uint32),
        ("zero1", c_uint32),
        ("capacity", c_uint32),
        ("used", c_uint32),
        ("zero4", c_uint32),
    ]


# The chip library's user interface hooks (vorpex_host.h); plain C calls on every system.
MessageBoxHook = ctypes.CFUNCTYPE(c_int32, c_void_p, c_char_p, c_char_p, c_uint32)
OpenProgressHook = ctypes.CFUNCTYPE(
    c_void_p, c_void_p, c_void_p, c_char_p, c_char_p, c_char_p, c_uint32
)
SetRangeHook = ctypes.CFUNCTYPE(None, c_void_p, c_void_p, c_uint32, c_uint32)
SetTextHook = ctypes.CFUNCTYPE(None, c_void_p, c_void_p, c_char_p)
SetPercentHook = ctypes.CFUNCTYPE(None, c_void_p, c_void_p, c_char_p, c_uint32)
PumpHook = ctypes.CFUNCTYPE(c_uint32, c_void_p, c_void_p)
CloseHook = ctypes.CFUNCTYPE(None, c_void_p, c_void_p)
OpenFormatHook = ctypes.CFUNCTYPE(c_void_p, c_void_p, c_void_p, c_char_p, c_char_p)
OpenDeleteHook = ctypes.CFUNCTYPE(c_void_p, c_void_p, c_void_p, c_char_p, c_char_p, c_char_p)
StageHook = ctypes.CFUNCTYPE(None, c_void_p, c_int32, c_uint32)


class UiHooks(ctypes.Structure):
    _fields_ = [
        ("size", c_uint32),
        ("context", c_void_p),
        ("messageBox", MessageBoxHook),
        ("openProgress", OpenProgressHook),
        ("setProgressRange", SetRangeHook),
        ("setProgressStatus", SetTextHook),
        ("setProgressPercent", SetPercentHook),
        ("setProgressSpeed", SetTextHook),
        ("pump", PumpHook),
        ("closeWindow", CloseHook),
        ("openFormat", OpenFormatHook),
        ("openDelete", OpenDeleteHook),
        ("upgradeStage", StageHook),
    ]


# The device library's copy progress (orvane_copy.h): a stdcall function on Windows.
ProgressCallback = (getattr(ctypes, "WINFUNCTYPE") if WINDOWS else ctypes.CFUNCTYPE)(
    c_int32, c_void_p, c_uint32, c_uint32
)


class PlayerSimSettings(ctypes.Structure):
    _fields_ = [
        ("size", c_uint32),
        ("capacityM", c_uint32),
        ("capacityS", c_uint32),
        ("driverVersion", c_uint32),
        ("playerPresent", c_int32),
        ("refuseRegistration", c_int32),
        ("endpointCount", c_uint32),
        ("deviceInfo", c_uint8 * 20),
        ("interfaceCount", c_uint32),
        ("refuseOpenMask", c_uint32),
        ("configurationLength", c_uint32),
        ("endpointAddresses", c_uint8 * 32),
    ]


class Chip:
    """The chip library (VORPEXUSB.h, vorpex_host.h, vorpex_shared.h)."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        def b(name: str, restype: Any, argtypes: Sequence[Any]) -> Callable[..., Any]:
            return bind(library, name, restype, argtypes)

        self.GetError = b("VORPEX_GetError", c_int32, [])
        self.SetError = b("VORPEX_SetError", c_int32, [c_int32])
        self.GetWindowsError = b("VORPEX_GetWindowsError", c_uint32, [])
        self.DispError = b("VORPEX_DispError", c_int32, [c_int32, c_uint32])
        self.ErrorDetail = b("VorpexShared_ErrorDetail", c_uint32, [c_char_p, c_uint32])
        self.InstallUi = b("VorpexHost_InstallUi", None, [POINTER(UiHooks)])
        self.Open = b("VORPEX_Open", c_void_p, [])
        self.Close = b("VORPEX_Close", None, [c_void_p])
        self.Format = b("VORPEX_Format", c_int32, [c_void_p, c_void_p, c_int32])
        self.Refresh = b(
            "VORPEX_Refresh",
            c_int32,
            [c_void_p, c_int32, POINTER(MemoryInfo), POINTER(DirEntry), POINTER(c_uint32)],
        )
        self.Delete = b("VORPEX_Delete", c_int32, [c_void_p, c_void_p, c_int32, c_int32, c_char_p])
        self.Rename = b("VORPEX_Rename", c_int32, [c_void_p, c_int32, c_int32, c_char_p])
        self.Upload = b(
            "VORPEX_Upload",
            c_int32,
            [c_void_p, c_void_p, c_int32, c_int32, c_char_p, c_char_p, c_uint32],
        )
        self.DownloadElseFile = b(
            "VORPEX_DownloadElseFile", c_int32, [c_void_p, c_void_p, c_int32, c_char_p]
        )


class Device:
    """The device library (ORVANEUsbDll.h, orvane_copy.h)."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        def s(name: str, restype: Any, argtypes: Sequence[Any]) -> Callable[..., Any]:
            return bind(library, name, restype, argtypes, stdcall=True)

        self.Checking = s("Usb_Checking", c_int32, [c_int32])
        self.Close = s("Usb_Close", c_int32, [c_int32])
        self.GetDevInfo = s("Usb_GetDevInfo", c_int32, [c_void_p, POINTER(c_uint8)])
        self.UpgradeFirmware = s(
            "Usb_UpgradeFirmware",
            c_int32,
            [c_void_p, c_void_p, c_int32, c_int32, c_char_p, c_char_p],
        )
        self.Refresh = s(
            "Usb_Refresh",
            c_int32,
            [c_void_p, c_int32, POINTER(MemoryInfo), POINTER(DirEntry), POINTER(c_uint32)],
        )
        self.FileCount = s("Usb_FileCount", c_uint32, [c_void_p, c_int32])
        self.Formats = {
            kind: s(name, c_int32, [c_void_p, c_void_p, c_int32])
            for kind, name in (
                ("plain", "Usb_Format"),
                ("mp3", "Usb_Mp3Format"),
                ("voice", "Usb_VocaFormat"),
            )
        }
        self.Delete = s("Usb_Delete", c_int32, [c_void_p, c_int32, c_int32])
        self.GetBitRateAndType = s(
            "Usb_GetBitRateAndType",
            c_int32,
            [c_char_p, c_uint32, POINTER(c_int32), POINTER(c_int32)],
        )
        self.CopyToPlayer = bind(
            library, "OrvaneCopy_ToPlayer", c_int32, [c_int32, c_char_p, ProgressCallback, c_void_p]
        )
        self.CopyFromPlayer = bind(
            library,
            "OrvaneCopy_FromPlayer",
            c_int32,
            [c_int32, c_int32, c_char_p, c_uint32, ProgressCallback, c_void_p],
        )


class Sim:
    """The simulated player's library (playersim.h)."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        def b(name: str, restype: Any, argtypes: Sequence[Any]) -> Callable[..., Any]:
            return bind(library, name, restype, argtypes)

        self.DefaultSettings = b("PlayerSim_DefaultSettings", None, [POINTER(PlayerSimSettings)])
        self.CreateStateDir = b(
            "PlayerSim_CreateStateDir", c_int32, [c_char_p, POINTER(PlayerSimSettings)]
        )
        self.Attach = b("PlayerSim_Attach", c_int32, [c_char_p])
        self.Detach = b("PlayerSim_Detach", None, [])
        self.GetMessage = b("PlayerSim_GetMessage", c_uint32, [c_char_p, c_uint32])
        self.SetFault = b("PlayerSim_SetFault", c_int32, [c_int32, c_uint32])
        self.AimFault = b(
            "PlayerSim_AimFault", c_int32, [c_int32, c_int32, c_uint32, c_uint8, c_uint8]
        )
        self.ReadArea = b("PlayerSim_ReadArea", c_uint32, [c_int32, POINTER(c_uint8), c_uint32])
        self.UseVirtualTime = b("PlayerSim_UseVirtualTime", None, [c_int32])

    def message(self) -> str:
        buffer = ctypes.create_string_buffer(1024)
        self.GetMessage(buffer, len(buffer))
        return decode(buffer.value)


_loaded: Dict[str, Any] = {}


def chip() -> Chip:
    with LOCK:
        if "chip" not in _loaded:
            _loaded["chip"] = Chip(load("chip"))
        result: Chip = _loaded["chip"]
        return result


def device() -> Device:
    with LOCK:
        if "device" not in _loaded:
            chip()
            _loaded["device"] = Device(load("device"))
        result: Device = _loaded["device"]
        return result


def sim() -> Sim:
    with LOCK:
        if "sim" not in _loaded:
            chip()
            _loaded["sim"] = Sim(load("sim"))
        result: Sim = _loaded["sim"]
        return result


# Paths and names cross the C interface as the system's narrow strings: UTF-8 on Linux, the
# ANSI code page on Windows.
_ENCODING = "mbcs" if WINDOWS else "utf-8"
_ERRORS = "strict" if WINDOWS else "surrogateescape"


def encode(text: "str | os.PathLike[str]") -> bytes:
    value = os.fspath(text)
    try:
        return value.encode(_ENCODING, _ERRORS)
    except UnicodeEncodeError:
        raise VorpexError(
            13, f"{value!r} holds characters that this system's narrow strings cannot carry"
        ) from None


def decode(raw: bytes) -> str:
    return raw.decode(_ENCODING, "replace" if WINDOWS else _ERRORS)
