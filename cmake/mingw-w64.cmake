# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix
# threads variant, for std::thread). Programs are linked statically, so they
# run without the compiler's DLLs beside them (under Wine too).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TERVIK_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TERVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TERVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TERVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TERVIK_MINGW_PREFIX})
# The static Qt and giflib for Windows (tools/build-qt-windows.sh), when given.
if(TERVIK_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TERVIK_WINDOWS_QT})
  list(APPEND CMAKE_PREFIX_PATH ${TERVIK_WINDOWS_QT})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C99 printf family of mingw-w64 instead of msvcrt's, whose %e and %g
# differ from glibc's (three exponent digits); output must match Linux.
# Windows 7 and later APIs.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 -D_WIN32_WINNT=0x0601 -DUNICODE -D_UNICODE")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1 -D_WIN32_WINNT=0x0601 -DUNICODE -D_UNICODE")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine when it is there.
find_program(TERVIK_WINE wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TERVIK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TERVIK_WINE})
endif()
