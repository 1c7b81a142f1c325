"""The Windows programs' file headers: the processor they are built for, the subsystem and system
version that lets Windows XP start them (32-bit only), and their imports: system DLLs only and,
for the 32-bit programs, only functions that Windows XP's DLLs export. Windows refuses to start
a program with a newer version in its header or an import the system lacks, so each is checked
in the file itself.

    python3 pe_header_test.py --machine i386 [--xp] PROGRAM.exe...
"""

import argparse
import struct
import sys

from harness.core import Failure, check, main

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
PE32, PE32_PLUS = 0x10B, 0x20B
GUI_SUBSYSTEM = 2
XP_VERSION = (5, 1)

# Every function the 32-bit programs may import, each one that Windows XP's DLL of that name
# exports. A new import must be checked against XP before it is added here.
XP_IMPORTS = {
    "DDRAW.DLL": "DirectDrawCreateEx",
    "GDI32.DLL": "BitBlt CreateCompatibleDC DeleteDC DeleteObject SelectObject TextOutA",
    "USER32.DLL": """BeginPaint CreateWindowExA DefWindowProcA DispatchMessageA EndPaint
        LoadCursorA LoadImageA MessageBoxA PeekMessageA PostQuitMessage RegisterClassA ShowWindow
        TranslateMessage UnregisterClassA""",
    "KERNEL32.DLL": """AddVectoredExceptionHandler CloseHandle CreateEventA CreateSemaphoreA
        DeleteCriticalSection DuplicateHandle EnterCriticalSection FreeLibrary GetCurrentProcess
        GetCurrentProcessId GetCurrentThread GetCurrentThreadId GetHandleInformation GetLastError
        GetModuleHandleA GetModuleHandleW GetProcAddress GetProcessAffinityMask GetStartupInfoA
        GetSystemTimeAsFileTime GetThreadContext GetThreadPriority GetTickCount
        InitializeCriticalSection IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection
        LoadLibraryA LoadLibraryW MultiByteToWideChar OpenProcess OutputDebugStringA
        RaiseException ReleaseSemaphore RemoveVectoredExceptionHandler ResetEvent ResumeThread
        SetEvent SetLastError SetProcessAffinityMask SetThreadContext SetThreadPriority
        SetUnhandledExceptionFilter Sleep SuspendThread TlsAlloc TlsGetValue TlsSetValue
        TryEnterCriticalSection VirtualProtect VirtualQuery WaitForMultipleObjects
        WaitForSingleObject WideCharToMultiByte _lclose _lopen _lread""",
    "MSVCRT.DLL": """__getmainargs __initenv __mb_cur_max __p__acmdln __p__commode __p__fmode
        __set_app_type __setusermatherr _amsg_exit _beginthreadex _cexit _close _endthreadex
        _errno _initterm _iob _onexit _read _setjmp3 _strdup _ultoa abort atoi calloc exit fclose
        fopen fprintf fputc fputs fread free fseek ftell fwrite localeconv longjmp malloc memchr
        memcmp memcpy memmove memset printf realloc setlocale signal strchr strcmp strerror strlen
        strncmp vfprintf wcslen""",
}
XP_IMPORTS = {dll: set(names.split()) for dll, names in XP_IMPORTS.items()}


class PortableExecutable:
    """The parts of a PE file read here: the file and optional headers, the sections, and the
    import directory."""

    def __init__(self, path):
        with open(path, "rb") as file:
            self.data = file.read()
        check(self.data[:2] == b"MZ", f"{path}: no MZ header")
        offset = self.u32(0x3C)
        check(self.data[offset:offset + 4] == b"PE\0\0", f"{path}: no PE signature")
        coff = offset + 4
        self.machine, sections = struct.unpack_from("<HH", self.data, coff)
        optional_size = self.u16(coff + 16)
        self.optional = coff + 20
        self.magic = self.u16(self.optional)
        check(self.magic in (PE32, PE32_PLUS), f"{path}: optional header magic {self.magic:#x}")
        self.os_version = struct.unpack_from("<HH", self.data, self.optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", self.data, self.optional + 48)
        self.subsystem = self.u16(self.optional + 68)
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
                         for i in range(sections)]

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def at(self, rva):
        """The file offset of a relative virtual address."""
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise Failure(f"address {rva:#x} lies in no section")

    def text(self, rva):
        start = self.at(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{DLL name in capitals: set of function names (or #ordinal)}."""
        directories = self.optional + (96 if self.magic == PE32 else 112)
        rva = self.u32(directories + 8)
        width, ordinal_bit = (4, 1 << 31) if self.magic == PE32 else (8, 1 << 63)
        answer = {}
        descriptor = self.at(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                return answer
            functions = answer.setdefault(self.text(name).upper(), set())
            entry = self.at(lookup or first)
            while True:
                thunk = int.from_bytes(self.data[entry:entry + width], "little")
                if thunk == 0:
                    break
                functions.add(f"#{thunk & 0xFFFF}" if thunk & ordinal_bit
                              else self.text(thunk + 2))
                entry += width
            descriptor += 20


def check_program(path, machine, xp):
    pe = PortableExecutable(path)
    check(pe.machine == MACHINES[machine],
          f"{path}: built for machine {pe.machine:#x}, not {machine}")
    check(pe.magic == (PE32 if machine == "i386" else PE32_PLUS),
          f"{path}: optional header {pe.magic:#x} does not match {machine}")
    check(pe.subsystem == GUI_SUBSYSTEM, f"{path}: subsystem {pe.subsystem}, not the GUI's")
    imports = pe.imports()
    unknown = set(imports) - set(XP_IMPORTS)
    check(not unknown, f"{path}: imports DLLs that are not the system's: {sorted(unknown)}")
    if not xp:
        return
    check(pe.subsystem_version == XP_VERSION,
          f"{path}: subsystem version {pe.subsystem_version}, not {XP_VERSION}")
    check(pe.os_version == XP_VERSION, f"{path}: system version {pe.os_version}, not "
          f"{XP_VERSION}")
    for dll, functions in sorted(imports.items()):
        newer = functions - XP_IMPORTS[dll]
        check(not newer, f"{path}: imports from {dll} functions not known to be in Windows XP: "
              f"{sorted(newer)}")


def run(args):
    for path in args.programs:
        check_program(path, args.machine, args.xp)
        print(f"{path}: {args.machine}" + (", starts on Windows XP" if args.xp else ""))


def command():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--xp", action="store_true",
                        help="also the version fields and every import for Windows XP")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
