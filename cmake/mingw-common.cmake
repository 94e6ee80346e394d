# Shared settings of the two Windows cross builds. Set TIMELAPSE_MINGW_TRIPLE before including.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TIMELAPSE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The lowest Windows the programs and libraries run on is Vista (6.0): they import
# GetTickCount64 (ours and the thread library's). The headers offer nothing newer, and every
# executable and DLL declares 6.0 as its operating-system and subsystem version
# (scripts/check-imports.sh checks both).
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0600 -DWINVER=0x0600")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0600 -DWINVER=0x0600")
set(timelapse_windows_version "-Wl,--major-os-version,6,--minor-os-version,0")
string(APPEND timelapse_windows_version
  " -Wl,--major-subsystem-version,6,--minor-subsystem-version,0")
# Statically linked: no MinGW runtime DLL (libgcc, libstdc++, libwinpthread) to ship.
set(timelapse_link_flags "-static -static-libgcc -static-libstdc++ ${timelapse_windows_version}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${timelapse_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${timelapse_link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${timelapse_link_flags}")
