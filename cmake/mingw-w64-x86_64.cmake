# The 64-bit Windows programs, an extra: they run on 64-bit Windows only.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DRAVIK_MINGW_TARGET x86_64-w64-mingw32)
set(DRAVIK_MINGW_THREADS posix)
set(DRAVIK_WINEARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
