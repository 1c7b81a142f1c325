# The 32-bit Windows programs, the ones to ship: they run on 32-bit and 64-bit Windows alike,
# from Windows XP on. The header says 5.01 for the subsystem and the system, XP's own version,
# rather than whatever the linker's default is (4.0 with Debian 12's binutils; other versions
# differ); app/win32/xp_imports.cpp keeps out the one import of the run-time that
# XP lacks.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(DRAVIK_MINGW_TARGET i686-w64-mingw32)
set(DRAVIK_MINGW_THREADS posix)
set(DRAVIK_WINEARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT
       " -Wl,--major-subsystem-version,5,--minor-subsystem-version,1"
       " -Wl,--major-os-version,5,--minor-os-version,1")
