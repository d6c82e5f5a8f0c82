# 64-bit Windows: the same sources, for running the Windows tests where no 32-bit program runs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
