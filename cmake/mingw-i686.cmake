# 32-bit Windows, the real target (the camera libraries are 32-bit DLLs).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TIMELAPSE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32-run)
# Its tests run in an emulated machine where the kernel runs no 32-bit programs
# (scripts/guest32.sh): there a Wine program takes some 15 s to start.
set(TIMELAPSE_TEST_TIME_SCALE 3)
