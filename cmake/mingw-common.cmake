# Shared settings of the two Windows cross builds. Set TIMELAPSE_MINGW_TRIPLE before including.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIMELAPSE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TIMELAPSE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Statically linked: no MinGW runtime DLL (libgcc, libstdc++, libwinpthread) to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
