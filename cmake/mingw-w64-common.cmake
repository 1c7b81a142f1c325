# What the two mingw-w64 toolchain files share: Debian's cross compiler for DRAVIK_MINGW_TARGET,
# of the threads flavour DRAVIK_MINGW_THREADS, and what CTest starts run under Wine, in the build
# tree's own prefix of DRAVIK_WINEARCH (see cmake/wine-run).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${DRAVIK_MINGW_TARGET}-gcc-${DRAVIK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${DRAVIK_MINGW_TARGET}-g++-${DRAVIK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${DRAVIK_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DRAVIK_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe a user can copy alone: the C++ and threading run-times are linked in, so only system
# DLLs are imported. The header carries no link time, so the same sources give the same bytes;
# a release build carries no symbols or debugging sections (the run-times' would be most of it).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
