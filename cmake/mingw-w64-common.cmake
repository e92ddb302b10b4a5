# Shared by the mingw-w64 toolchain files: set RINOMINA_MINGW_TRIPLET first.
#
# Compilers are named explicitly (the posix-threads variants, which have the
# full C++20 library) so nothing depends on update-alternatives. Everything is
# linked statically: the .exe needs no libstdc++, libgcc or winpthread DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${RINOMINA_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${RINOMINA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RINOMINA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RINOMINA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RINOMINA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide Win32 calls only; nothing older than Windows 7 is asked of the headers.
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
