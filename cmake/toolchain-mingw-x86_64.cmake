# Cross-compiles Vantrix64.exe for 64-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANTRIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
