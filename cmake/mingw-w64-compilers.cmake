# Debian's mingw-w64 compilers for 64-bit Windows (the posix-thread ones, which std::thread and
# std::async need) and where to find the libraries built for it. Qt for Windows is built with this
# file alone; cmake/mingw-w64.cmake adds what the project's own Windows builds need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TM_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TM_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TM_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
