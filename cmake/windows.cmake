# The Windows program, the stand-in messenger and the tests that run under Wine.
enable_language(RC)

# Programs and tests side by side, so the tests find what they start.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Only DLLs Windows pins to system32 are imported at load time; the program
# takes every other one from system32 itself (platform/win32/system_dll.h).
set(SC_WIN32_LIBS user32 gdi32 advapi32 shell32 ole32 oleaut32 uuid ws2_32 comctl32)
# Self-contained executables. MinGW is told so at the link; MSVC's static
# runtime is chosen in the top-level file, before any target exists.
if(MINGW)
  set(SC_STATIC_LINK -static -static-libgcc -static-libstdc++)
else()
  set(SC_STATIC_LINK)
endif()
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# StatusCycler.rc embeds the manifest itself; MSVC's linker would add a second
# one under the same resource id and fail.
if(MSVC)
  set(SC_RESOURCE_LINK_OPTIONS /MANIFEST:NO)
else()
  set(SC_RESOURCE_LINK_OPTIONS)
endif()

add_library(sc_win32 STATIC
  platform/win32/win32_os.cpp
  platform/win32/local_address.cpp
  platform/win32/wide_text.cpp
  platform/win32/browser_host.cpp
  platform/win32/system_dll.cpp
  app/win32/accessibility.cpp
  app/win32/main_window.cpp
  app/win32/win_controls.cpp
  app/win32/dpi.cpp
  app/win32/one_copy.cpp
)
target_link_libraries(sc_win32 PUBLIC sc_core ${SC_WIN32_LIBS})
target_compile_options(sc_win32 PRIVATE ${SC_WARNINGS})

add_executable(StatusCycler WIN32 app/win32/main.cpp app/win32/StatusCycler.rc)
target_link_libraries(StatusCycler PRIVATE sc_win32 ${SC_STATIC_LINK})
target_link_options(StatusCycler PRIVATE ${SC_RESOURCE_LINK_OPTIONS})
if(MINGW)
  target_link_options(StatusCycler PRIVATE -municode)
endif()
target_compile_options(StatusCycler PRIVATE ${SC_WARNINGS})
configure_file(app/win32/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel" OR CMAKE_BUILD_TYPE STREQUAL "Release")
  if(MINGW)
    target_link_options(StatusCycler PRIVATE -s -Wl,--gc-sections)
    target_compile_options(sc_core PRIVATE -ffunction-sections -fdata-sections)
    target_compile_options(sc_win32 PRIVATE -ffunction-sections -fdata-sections)
  endif()
endif()

add_subdirectory(tools/messenger-standin)

if(STATUSCYCLER_TESTS)
  # Built on Windows itself, the portable tests run natively beside the
  # Windows ones; a cross build leaves them to the native Linux build.
  if(NOT CMAKE_CROSSCOMPILING)
    add_subdirectory(tests/unit)
  endif()
  add_subdirectory(tests/win32)
  add_subdirectory(tests/e2e)
endif()

add_subdirectory(bench/win32)
