# LAUNCH.EXE: a Windows GUI program without C runtime or C++ library, its resources checked before
# they are compiled in; a test build with a forced screen depth; and the tests that run under Wine.

enable_language(RC)
include(ExternalProject)
include(cmake/ProductProfile.cmake)

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

# Nothing of a runtime may creep in: no unwind tables, no stack checks, and no loops turned into calls of
# the very memset and memcpy the program defines; in C++ also no exceptions and no guards for static locals.
set(LAUNCHER_C_COMPILE_OPTIONS -Os -ffreestanding -fno-asynchronous-unwind-tables -fno-stack-protector
    -fno-tree-loop-distribute-patterns ${launcher_arch_flags} -Wall -Wextra -Werror)
set(LAUNCHER_COMPILE_OPTIONS ${LAUNCHER_C_COMPILE_OPTIONS} -fno-exceptions -fno-rtti -fno-threadsafe-statics)

set(LAUNCHER_CORE_SOURCES
  imaging/dib_rules.cpp
  imaging/drawing.cpp
  imaging/packed_dib.cpp
  launcher/actions.cpp
  launcher/art.cpp
  launcher/command_line_rules.cpp
  launcher/install_probe.cpp
  launcher/launcher_state.cpp
  launcher/layout_rules.cpp
  launcher/painting.cpp
  launcher/path_rules.cpp
  launcher/pointer.cpp
  launcher/pointer_rules.cpp
  launcher/sounds.cpp
  launcher/system_library.cpp
  launcher/win_main.cpp
  launcher/window_proc.cpp)
list(TRANSFORM LAUNCHER_CORE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
# The code that only a click runs (what a button starts) goes into a section of its own after the
# resource data, on pages that a start neither reads nor reads past (the script names its files).
set(LAUNCHER_ACTIONS_SECTION_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/actions_section.ld)
set(LAUNCHER_RUNTIME_SOURCES ${CMAKE_SOURCE_DIR}/platform/entry.cpp ${CMAKE_SOURCE_DIR}/platform/runtime_support.cpp)
set(LAUNCHER_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/launcher.rc)
# The identifiers' names, read by the resource script, the code and the asset check.
set(LAUNCHER_RESOURCE_IDS ${CMAKE_SOURCE_DIR}/resources/resource_ids.h)
# The sound library and the shell are not imported: the launcher loads them by full path when it needs
# them, so that no copy planted beside it is ever loaded.
set(LAUNCHER_LIBRARIES kernel32 user32 gdi32 advapi32)
# How every program here that runs without a C runtime is linked (the launcher, the medium's placeholder
# setup program, the benchmark's empty popup): its own entry point `Entry`, loadable by the oldest
# Windows the build is for, and reproducible: no link time stamp, stripped of symbols.
set(LAUNCHER_LINK_OPTIONS -nostdlib -nostartfiles -e ${launcher_entry} -s -Wl,--no-insert-timestamp
    ${launcher_version_flags})
# Aware of terminal servers: there the Windows folder the launcher asks for is the system's own, not a
# per-user copy.
set(launcher_terminal_server_flags -Wl,--tsaware)

# CMake would add its default list of Windows libraries (winspool, shell32, ole32, ...) to every link,
# the runtime-free LAUNCH.EXE's too. Every program here names the libraries it uses instead.
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_STANDARD_LIBRARIES "")

# The asset check is a host program: it is built with the host compiler in a build tree of its own.
ExternalProject_Add(host_asset_check
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/assetcheck
  BINARY_DIR ${CMAKE_BINARY_DIR}/host/assetcheck
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DRESOURCE_FORMS_DIR=${LAUNCHER_GENERATED_RESOURCES}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/host/assetcheck/asset_check)

# check_profile_resources(PROFILE TARGET): the custom target TARGET runs the asset check (the pictures)
# and the kit's resource check (the sounds, the icon, the 256-colour palette) over the files of the
# profile's resource folder, and the art check: art made for another product, or older than its masters
# and sound sources, stops the build.
function(check_profile_resources profile target)
  set(folder ${${profile}_RESOURCE_FOLDER})
  set(stamp ${CMAKE_BINARY_DIR}/${profile}.resources.checked)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${folder}/art/*.bmp ${folder}/sounds/*.wav ${folder}/icon/*.ico)
  file(GLOB art_sources LIST_DIRECTORIES false CONFIGURE_DEPENDS ${folder}/art-made-for.txt
       ${${profile}_ART_MASTERS}/* ${${profile}_SOUND_SOURCES}/*)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_BINARY_DIR}/host/assetcheck/asset_check ${folder}
    COMMAND ${LAUNCHER_KIT} resource-check ${folder}
    COMMAND ${LAUNCHER_KIT} art check ${${profile}_PROFILE}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS host_asset_check ${LAUNCHER_GENERATED_RESOURCES}/resource_forms.h ${files} ${art_sources}
            ${CMAKE_SOURCE_DIR}/tools/launcherkit/resource_check.py
            ${${profile}_PROFILE}
    COMMENT "Checking the pictures, sounds and icon in ${folder} against their required forms and masters"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${stamp} VERBATIM)
endfunction()

# The product this build is for.
read_product_profile(launcher_profile "${LAUNCHER_PROFILE}" ${CMAKE_BINARY_DIR}/generated)
check_profile_resources(launcher_profile check_resources)

# The resource compiler reports no dependencies, so the script is compiled anew by hand when the
# identifiers, the language statement, the version block, the product's values or any picture, sound or
# icon it names change.
file(GLOB_RECURSE launcher_resource_files CONFIGURE_DEPENDS ${launcher_profile_RESOURCE_FOLDER}/art/*.bmp
     ${launcher_profile_RESOURCE_FOLDER}/sounds/*.wav ${launcher_profile_RESOURCE_FOLDER}/icon/*.ico)
set(LAUNCHER_RESOURCE_SCRIPT_DEPENDS ${LAUNCHER_RESOURCE_IDS} ${LAUNCHER_GENERATED_RESOURCES}/resource_files.rc
    ${CMAKE_SOURCE_DIR}/resources/language.rc
    ${CMAKE_SOURCE_DIR}/resources/version.rc
    ${CMAKE_BINARY_DIR}/generated/product_profile.h ${launcher_resource_files})
set_source_files_properties(${LAUNCHER_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${LAUNCHER_RESOURCE_SCRIPT_DEPENDS}")

# add_launcher(TARGET OUTPUT_NAME [AS_LINKED] [PROFILE NAME] [DEFINITIONS ...]): one build of the
# launcher, for the product profile NAME (by default the build's own, launcher_profile). AS_LINKED keeps
# the linker's own layout (512-byte file alignment, all code in .text, resource data by type and name),
# for comparisons.
function(add_launcher target output_name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "AS_LINKED" "PROFILE" "DEFINITIONS")
  if(NOT arg_PROFILE)
    set(arg_PROFILE launcher_profile)
  endif()
  add_executable(${target} WIN32 ${LAUNCHER_CORE_SOURCES} ${LAUNCHER_RUNTIME_SOURCES} ${LAUNCHER_RESOURCE_SCRIPT})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} SUFFIX ".EXE")
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${LAUNCHER_COMPILE_OPTIONS}>)
  target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
  target_link_options(${target} PRIVATE ${LAUNCHER_LINK_OPTIONS} ${launcher_terminal_server_flags})
  if(NOT arg_AS_LINKED)
    # Sections on page boundaries in the file too: the loader then maps the image and reads only the pages
    # a start touches, instead of reading every section whole before the first instruction; the code that
    # only a click runs last. Then the resource data is laid out so that what a start reads lies together
    # (resources/data_order.txt); the image as linked is kept in as-linked/ beside it (each build's own, though
    # two builds share a file name) for the check that only the data's places changed.
    target_link_options(${target} PRIVATE -Wl,--file-alignment,4096 -Wl,-T,${LAUNCHER_ACTIONS_SECTION_SCRIPT})
    set(order ${CMAKE_SOURCE_DIR}/resources/data_order.txt)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${order} ${LAUNCHER_ACTIONS_SECTION_SCRIPT}
                 ${CMAKE_SOURCE_DIR}/resources/resource_table.txt
                 ${CMAKE_SOURCE_DIR}/tools/launcherkit/order_resources.py ${CMAKE_SOURCE_DIR}/tools/launcherkit/pe.py)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}>
              $<TARGET_FILE_DIR:${target}>/as-linked/$<TARGET_FILE_NAME:${target}>
      COMMAND ${LAUNCHER_KIT} order-resources ${order} $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
  target_link_libraries(${target} PRIVATE ${arg_PROFILE} ${LAUNCHER_LIBRARIES})
  set_property(GLOBAL APPEND PROPERTY launcher_builds "${target} $<TARGET_FILE_NAME:${target}>")
  if(arg_PROFILE STREQUAL "launcher_profile")
    add_dependencies(${target} check_resources)
  else()
    add_dependencies(${target} check_${arg_PROFILE}_resources)
  endif()
endfunction()

# The product.
add_launcher(launch LAUNCH)
# Test build only, never shipped: pretends a 16-colour screen, which no test display can offer.
add_launcher(launcher4 LAUNCH4 DEFINITIONS LAUNCHER_TEST_BITS_PER_PIXEL=4)
# Test builds only, never shipped: every start of a program fails with the given last error and starts
# nothing; 740 (elevation required) as under User Account Control, which Wine lacks, and 5 (access
# denied) as any other failure.
add_launcher(launcher740 LAUNCH740 DEFINITIONS LAUNCHER_TEST_START_ERROR=740)
add_launcher(launcher5 LAUNCH5 DEFINITIONS LAUNCHER_TEST_START_ERROR=5)
# Test build only, never shipped: the cancel button writes through a null pointer, for the check that
# a crash of the launcher fails a test even though Wine ends the crashed process with exit code 0.
add_launcher(launcher_fault LAUNCHFLT DEFINITIONS LAUNCHER_TEST_FAULT=1)
# Test build only, never shipped: the cancel button writes a file and a registry key, for the check
# that a launcher which writes anything fails the medium's check.
add_launcher(launcher_writes LAUNCHWRT DEFINITIONS LAUNCHER_TEST_WRITES=1)
# Test build only, never shipped: a system without SetDefaultDllDirectories (XP, Vista, 7 without its
# update), where only the launcher's own way of loading keeps the libraries to the system folder.
add_launcher(launcher_xp LAUNCHXP DEFINITIONS LAUNCHER_TEST_WITHOUT_DLL_DIRECTORIES)
# Test build only, never shipped: the sound library and the shell are a system library that has neither
# PlaySoundA nor ShellExecuteExA, and every start fails with 740, so that the shell is asked for too.
add_launcher(launcher_without_functions LAUNCHNOF DEFINITIONS LAUNCHER_TEST_START_ERROR=740
             LAUNCHER_TEST_LIBRARY="VERSION.DLL")
# The launcher's builds by target name and file name, for the kit's Programs.in_build
# (tools/launcherkit/wine/programs.py), which knows the test builds by these target names.
get_property(launcher_builds GLOBAL PROPERTY launcher_builds)
list(JOIN launcher_builds "\n" launcher_builds)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/launchers.txt CONTENT "${launcher_builds}\n")

# The setup program's stand-in on a medium built without the product's own (scripts/make-medium.sh), linked
# as the launcher is: it names the product and the setup program from the profile.
add_executable(placeholder WIN32 tools/medium/placeholder.c tools/medium/placeholder.rc)
set_target_properties(placeholder PROPERTIES OUTPUT_NAME PLACEHOLDER SUFFIX ".EXE")
target_compile_options(placeholder PRIVATE $<$<COMPILE_LANGUAGE:C>:${LAUNCHER_C_COMPILE_OPTIONS}>)
target_link_options(placeholder PRIVATE ${LAUNCHER_LINK_OPTIONS})
target_link_libraries(placeholder PRIVATE launcher_profile user32 kernel32)

# The resource compiler resolves the script's file names against the resources folder; the statements
# generated from the table lie in the build tree.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_SOURCE_DIR}/resources -I ${LAUNCHER_GENERATED_RESOURCES}")

# The checks of the executable and of its medium, the Wine and the end-to-end tests run against the
# product this tree is configured for. The kit's own checks of the profile's handling (a hostile
# profile's build, the shipped product's bytes from its values written out by hand) and the benchmark
# belong to the shipped product's tree.
# The programs the kit starts under Wine (the recorder, POKE.EXE), which the tests use too.
add_subdirectory(tools/wineprograms)
add_subdirectory(tests/static)
add_subdirectory(tests/medium)
add_subdirectory(tests/wine)
add_subdirectory(tests/e2e)
add_subdirectory(tests/harness)
if(LAUNCHER_PROFILE_IS_DEFAULT)
  add_subdirectory(tools/bench)
  add_subdirectory(tests/profile)
endif()
