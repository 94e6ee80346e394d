# 64-bit Windows: the same programs, their tests under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIMELAPSE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
