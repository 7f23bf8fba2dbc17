# Windows programs built on Debian with mingw-w64 (the posix thread model, so std::thread
# and std::mutex work) and run here under wine. The C and C++ runtimes are linked in, so
# an .exe needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZORT_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZORT_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORT_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORT_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZORT_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs are run through wine (ctest and the test discovery both use this).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
