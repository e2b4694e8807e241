# Windows-only part of the build: the Win32 platform layer and, once it exists, the COM
# shell that makes ORVIX.DLL. Included from the top CMakeLists.txt when cross-compiling.
file(GLOB ORVIX_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
if(ORVIX_WIN32_SOURCES)
  add_library(orvix_win32 STATIC ${ORVIX_WIN32_SOURCES})
  target_link_libraries(orvix_win32 PUBLIC orvix_core)
  target_compile_definitions(orvix_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  target_compile_options(orvix_win32 PRIVATE -Wall -Wextra)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/src/com/CMakeLists.txt)
  add_subdirectory(src/com)
endif()
# The Wine suite's client and the Wine benchmarks: programs that load the DLL as callers do.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/client/CMakeLists.txt)
  add_subdirectory(tests/wine/client)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/wine/CMakeLists.txt)
  add_subdirectory(bench/wine EXCLUDE_FROM_ALL)
endif()
# orvixcheck.exe, the check tool that the packages carry beside the DLLs.
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/orvixcheck/CMakeLists.txt)
  add_subdirectory(tools/orvixcheck)
endif()
