# Builds the project as Windows programs with Debian's mingw-w64 and runs them under Wine. Without
# Qt, the core, its tests and the importer:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTM_BUILD_GUI=OFF
# With the editor and its tests, against Qt built for Windows by tools/build-qt-windows.sh:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DTM_QT_WINDOWS_PREFIX="$(tools/build-qt-windows.sh | tail -n 1)"
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

set(TM_QT_WINDOWS_PREFIX "" CACHE PATH "Qt built for Windows (tools/build-qt-windows.sh)")
# CMake reads this file again for each check it compiles; the checks need the same Qt.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TM_QT_WINDOWS_PREFIX)

# The C++ runtime DLLs, where Debian's mingw-w64 keeps them.
set(TM_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(found "${found}" REALPATH)
    list(APPEND TM_MINGW_RUNTIME_DLLS "${found}")
endforeach()

if(TM_QT_WINDOWS_PREFIX)
    # Qt's packages are found under its prefix as under the mingw root.
    list(APPEND CMAKE_FIND_ROOT_PATH ${TM_QT_WINDOWS_PREFIX})
    # Qt's DLLs use the runtime DLLs, and so must the programs: one C++ runtime in the process,
    # or objects of the standard library made on one side would be freed on the other. Under
    # Wine the DLLs are found in Qt's and the compiler's folders; installed, they go beside the
    # programs.
    set(dll_folders ${TM_QT_WINDOWS_PREFIX}/bin)
    foreach(dll IN LISTS TM_MINGW_RUNTIME_DLLS)
        get_filename_component(folder "${dll}" DIRECTORY)
        list(APPEND dll_folders "${folder}")
    endforeach()
    list(REMOVE_DUPLICATES dll_folders)
    list(JOIN dll_folders ":" dll_folders)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run --dlls "${dll_folders}")
else()
    # Without Qt the programs carry their C++ runtime, so that they run on any Windows, and under
    # Wine, without the compiler's DLLs beside them.
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
    # ctest runs the Windows programs under Wine, through a script that keeps it quiet and gives
    # it a prefix of its own.
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
endif()
