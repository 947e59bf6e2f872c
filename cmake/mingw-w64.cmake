# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the compilers
# with the POSIX thread model, which std::thread needs). Programs link the
# GCC and C++ runtimes and winpthread statically, so they run under Wine, or
# on Windows, without their DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VC_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VC_MINGW_TRIPLE}-windres)

# Headers and libraries come from the mingw-w64 tree only, never the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The mingw-w64 C library declares the POSIX thread-safe time functions
# (localtime_r) only when asked for them.
set(CMAKE_C_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")
set(CMAKE_CXX_FLAGS_INIT "-D_POSIX_THREAD_SAFE_FUNCTIONS=200112L")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the test programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
