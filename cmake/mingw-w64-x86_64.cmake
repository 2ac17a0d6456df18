# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Builds varnel_core, varnel.exe and the core's Windows tests; the GUI is off.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARNEL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need its threading model.
set(CMAKE_C_COMPILER ${VARNEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libstdc++, libgcc or winpthread DLLs to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine on the build machine.
find_program(VARNEL_WINE NAMES wine wine64)
if(VARNEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNEL_WINE})
endif()
