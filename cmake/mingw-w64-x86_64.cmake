# Cross build for 64-bit Windows with mingw-w64 (posix thread model).
# Executables and DLLs link libgcc, libstdc++ and winpthread statically, so that what we
# ship imports system DLLs only. CTest runs the .exe tests under Wine in a private prefix
# inside the build tree (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OSTREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${OSTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTREL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OSTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)

# Wide-character Win32 API throughout; Windows 7 is the oldest system we build for.
set(ostrel_win_defines "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_C_FLAGS_INIT "${ostrel_win_defines}")
set(CMAKE_CXX_FLAGS_INIT "${ostrel_win_defines}")
set(CMAKE_RC_FLAGS_INIT "-DUNICODE -D_UNICODE")

set(ostrel_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ostrel_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ostrel_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${ostrel_static_runtime}")

get_filename_component(ostrel_wine_run "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${ostrel_wine_run};--prefix=${CMAKE_BINARY_DIR}/wineprefix")
