# The Windows program, its resources, and the Windows-side test and bench tools.
enable_language(RC)

add_library(timelock_win32_flags INTERFACE)
target_compile_definitions(timelock_win32_flags INTERFACE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                                                          _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MINGW)
  target_compile_options(timelock_win32_flags INTERFACE -municode -ffunction-sections -fdata-sections)
  # Only Windows' own DLLs at run time: the compiler's runtime goes in statically.
  target_link_options(timelock_win32_flags INTERFACE -municode -static -static-libgcc -static-libstdc++
                                                     -Wl,--gc-sections $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()

add_executable(timelock WIN32
  app/main.cpp
  app/main_window.cpp
  app/control_kinds.cpp
  platform/win32/win32_services.cpp
  platform/win32/win32_text.cpp
  app/timelock.rc)
target_link_libraries(timelock PRIVATE timelock_core timelock_warnings timelock_win32_flags
                                       user32 gdi32 kernel32 ole32)
set_target_properties(timelock PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(MINGW)
  set_source_files_properties(app/timelock.rc PROPERTIES COMPILE_FLAGS "-c 65001")
endif()

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/bench/CMakeLists.txt)
  add_subdirectory(bench)
endif()
