// The posix-threads run-time that mingw-w64 links in (winpthreads, for the C++ library's locks)
// imports GetTickCount64 for its timed waits. Windows XP's KERNEL32 lacks it, and a program with
// an import the system lacks does not start at all. Defining the import's own pointer here keeps
// the import out of the program: the pointer leads to the system's function where there is one
// and to a count from GetTickCount where there is not. The viewer starts no thread and waits on
// no lock with a time limit, so the fallback's wrap after 49 days never matters.

#include <windows.h>

namespace {

ULONGLONG WINAPI TickCount64() {
    using Function = ULONGLONG(WINAPI *)();
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC system = kernel != nullptr ? GetProcAddress(kernel, "GetTickCount64") : nullptr;
    if (system != nullptr) {
        // Through the generic function pointer type, the cast GCC accepts between function types.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(system))();
    }
    return GetTickCount();
}

} // namespace

// The name under which the 32-bit run-time calls the import (stdcall, no arguments).
extern "C" ULONGLONG(WINAPI *const ImportedGetTickCount64)() asm("__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI *const ImportedGetTickCount64)() = TickCount64;
