# Shared by the mingw-w64 toolchain files: set RINOMINA_MINGW_TRIPLET and
# RINOMINA_MINGW_OLDEST_WINDOWS (major and minor version) first.
#
# Compilers are named explicitly so nothing depends on update-alternatives.
# The win32-threads variants: the posix ones link winpthreads, which imports
# GetTickCount64 and so cannot load before Vista; nothing here needs
# std::thread or std::mutex. Everything is linked statically: the .exe needs
# no libstdc++ or libgcc DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${RINOMINA_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${RINOMINA_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${RINOMINA_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${RINOMINA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RINOMINA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide Win32 calls only. The headers declare Windows 7's functions, but the
# programs must load on older Windows (RINOMINA_MINGW_OLDEST_WINDOWS): later
# functions are looked up at run time, and tests/app/win32/check-exe-headers
# holds the imports to the functions that Windows has.
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
# The headers name the oldest Windows the program loads on, as subsystem and
# OS version.
list(GET RINOMINA_MINGW_OLDEST_WINDOWS 0 rinomina_major)
list(GET RINOMINA_MINGW_OLDEST_WINDOWS 1 rinomina_minor)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ \
-Wl,--major-subsystem-version,${rinomina_major},--minor-subsystem-version,${rinomina_minor} \
-Wl,--major-os-version,${rinomina_major},--minor-os-version,${rinomina_minor}")
