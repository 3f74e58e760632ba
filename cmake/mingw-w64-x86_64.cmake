# Cross build for 64-bit Windows with the mingw-w64 toolchain of the distribution
# (packages g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SORVENNA_MINGW_TRIPLE x86_64-w64-mingw32)
# The compilers with POSIX threads: their C++ library has std::mutex and
# std::thread, which GoogleTest needs; the threads library is linked in
# statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${SORVENNA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SORVENNA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SORVENNA_MINGW_TRIPLE}-windres)

# Headers and libraries of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${SORVENNA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
