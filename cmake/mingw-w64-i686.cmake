# Cross build for 32-bit Windows with Debian's mingw-w64 (win32 threads).
set(RINOMINA_MINGW_TRIPLET i686-w64-mingw32)
# Windows XP: the program imports nothing newer (tests/app/win32/check-exe-headers).
set(RINOMINA_MINGW_OLDEST_WINDOWS 5 1)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
