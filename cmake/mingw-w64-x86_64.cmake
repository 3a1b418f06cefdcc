# Cross-build for 64-bit Windows with the posix-threads flavour of mingw-w64
# (std::thread and std::mutex need it). Test executables run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The tools' names and the sysroot are cache settings: the defaults are
# Debian's (its posix flavour carries a "-posix" suffix).
set(MINGW_TOOL_PREFIX "x86_64-w64-mingw32-" CACHE STRING "what the mingw-w64 tools' names begin with")
set(MINGW_COMPILER_SUFFIX "-posix" CACHE STRING "what the names of the posix-threads compilers end with")
set(MINGW_SYSROOT "/usr/x86_64-w64-mingw32" CACHE PATH "the mingw-w64 headers and libraries")
set(CMAKE_C_COMPILER ${MINGW_TOOL_PREFIX}gcc${MINGW_COMPILER_SUFFIX})
set(CMAKE_CXX_COMPILER ${MINGW_TOOL_PREFIX}g++${MINGW_COMPILER_SUFFIX})
set(CMAKE_RC_COMPILER ${MINGW_TOOL_PREFIX}windres)
set(CMAKE_FIND_ROOT_PATH ${MINGW_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
