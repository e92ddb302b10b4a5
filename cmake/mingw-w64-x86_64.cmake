# Cross build for 64-bit Windows with Debian's mingw-w64 (win32 threads).
set(RINOMINA_MINGW_TRIPLET x86_64-w64-mingw32)
# Windows XP x64 and Server 2003, the first 64-bit Windows.
set(RINOMINA_MINGW_OLDEST_WINDOWS 5 2)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
