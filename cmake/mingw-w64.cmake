# Builds the Qt-free core, its tests and the importer as Windows programs with Debian's mingw-w64
# (the posix-thread compilers, which std::thread and std::async need), and runs them under Wine:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTM_BUILD_GUI=OFF
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

# The programs carry their C++ runtime, so that they run on any Windows, and under Wine, without
# the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs the Windows programs under Wine, through a script that keeps it quiet and gives it
# a prefix of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
