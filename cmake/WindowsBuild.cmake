# LAUNCH.EXE: a Windows GUI program without C runtime or C++ library, its resources checked before
# they are compiled in; a test build with a forced screen depth; and the tests that run under Wine.

enable_language(RC)
include(ExternalProject)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(LAUNCHER_WINE_ARCH win32)
  set(launcher_entry _Entry@0)
  # Windows 95 and NT 4 load only images that ask for version 4.0.
  set(launcher_version_flags -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4,--minor-os-version,0
                             -Wl,--disable-dynamicbase,--disable-nxcompat,--disable-reloc-section)
  set(launcher_arch_flags -mno-stack-arg-probe)
else()
  set(LAUNCHER_WINE_ARCH win64)
  set(launcher_entry Entry)
  set(launcher_version_flags -Wl,--subsystem,windows)
  set(launcher_arch_flags)
endif()

# Nothing of a runtime may creep in: no exceptions, no unwind tables, no stack checks, no guards for
# static locals, and no loops turned into calls of the very memset and memcpy the program defines.
set(LAUNCHER_COMPILE_OPTIONS -Os -ffreestanding -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-stack-protector -fno-threadsafe-statics -fno-tree-loop-distribute-patterns ${launcher_arch_flags}
    -Wall -Wextra -Werror)

set(LAUNCHER_CORE_SOURCES
  imaging/dib_rules.cpp
  imaging/drawing.cpp
  imaging/packed_dib.cpp
  launcher/actions.cpp
  launcher/art.cpp
  launcher/install_probe.cpp
  launcher/launcher_state.cpp
  launcher/layout_rules.cpp
  launcher/path_rules.cpp
  launcher/pointer.cpp
  launcher/pointer_rules.cpp
  launcher/sounds.cpp
  launcher/win_main.cpp
  launcher/window_proc.cpp)
list(TRANSFORM LAUNCHER_CORE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
set(LAUNCHER_RUNTIME_SOURCES ${CMAKE_SOURCE_DIR}/platform/entry.cpp ${CMAKE_SOURCE_DIR}/platform/runtime_support.cpp)
set(LAUNCHER_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/launcher.rc)
set(LAUNCHER_LIBRARIES kernel32 user32 gdi32 advapi32 winmm)

# The asset check is a host program: it is built with the host compiler in a build tree of its own.
ExternalProject_Add(host_asset_check
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/assetcheck
  BINARY_DIR ${CMAKE_BINARY_DIR}/host/assetcheck
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host/assetcheck/asset_check)
file(GLOB_RECURSE launcher_resource_files CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/art/*.bmp ${CMAKE_SOURCE_DIR}/resources/sounds/*.wav
  ${CMAKE_SOURCE_DIR}/resources/icon/*.ico)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/resources.checked
  COMMAND ${CMAKE_BINARY_DIR}/host/assetcheck/asset_check ${LAUNCHER_RESOURCE_SCRIPT}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/resources.checked
  DEPENDS host_asset_check ${LAUNCHER_RESOURCE_SCRIPT} ${launcher_resource_files}
  COMMENT "Checking the pictures, sounds and icon against their required forms")
add_custom_target(check_resources DEPENDS ${CMAKE_BINARY_DIR}/resources.checked)

# add_launcher(TARGET OUTPUT_NAME [AS_LINKED] [DEFINITIONS ...]): one build of the launcher. AS_LINKED keeps
# the linker's own layout (512-byte file alignment, resource data by type and name), for comparisons.
function(add_launcher target output_name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "AS_LINKED" "" "DEFINITIONS")
  add_executable(${target} WIN32 ${LAUNCHER_CORE_SOURCES} ${LAUNCHER_RUNTIME_SOURCES} ${LAUNCHER_RESOURCE_SCRIPT})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} SUFFIX ".EXE")
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${LAUNCHER_COMPILE_OPTIONS}>)
  target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
  # Reproducible: no link time stamp; stripped of symbols.
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -e ${launcher_entry} -s
                      -Wl,--no-insert-timestamp ${launcher_version_flags})
  if(NOT arg_AS_LINKED)
    # Sections on page boundaries in the file too: the loader then maps the image and reads only the pages
    # a start touches, instead of reading every section whole before the first instruction. Then the
    # resource data is laid out so that what a start reads lies together (resources/data_order.txt); the
    # image as linked is kept in as-linked/ for the check that only the data's places changed.
    target_link_options(${target} PRIVATE -Wl,--file-alignment,4096)
    set(order ${CMAKE_SOURCE_DIR}/resources/data_order.txt)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${order}
                 ${CMAKE_SOURCE_DIR}/tools/pe/order_resources.py ${CMAKE_SOURCE_DIR}/tools/pe/pe_resources.py)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${CMAKE_BINARY_DIR}/as-linked/$<TARGET_FILE_NAME:${target}>
      COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/pe/order_resources.py ${order} $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
  target_link_libraries(${target} PRIVATE ${LAUNCHER_LIBRARIES})
  add_dependencies(${target} check_resources)
endfunction()

# The product.
add_launcher(launch LAUNCH)
# Test build only, never shipped: pretends a 16-colour screen, which no test display can offer.
add_launcher(launch_depth4 LAUNCH4 DEFINITIONS LAUNCHER_TEST_BITS_PER_PIXEL=4)

# The resource compiler resolves the script's file names against the resources folder.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_SOURCE_DIR}/resources")

add_subdirectory(tools/bench)
add_subdirectory(tests/medium)
add_subdirectory(tests/static)
add_subdirectory(tests/wine)
add_subdirectory(tests/e2e)
