# The product profile (resources/product.profile by default): the product's names, version texts and
# folders, read at configure time by the kit (`tools/kit profile`). A faulty profile stops the
# configuration with one line per fault: file, line, key, what was found and what is required.

set(LAUNCHER_DEFAULT_PROFILE ${CMAKE_SOURCE_DIR}/resources/product.profile)
# A path, relative ones to the source folder. Kept as one string and quoted wherever it is passed, so that
# a path with a ; reaches the kit whole, which then refuses it: as a FILEPATH, a value given with -D would be
# made absolute element by element, as a list, and so would get_filename_component.
set(LAUNCHER_PROFILE ${LAUNCHER_DEFAULT_PROFILE} CACHE STRING "The product profile the launcher is built for")
cmake_path(ABSOLUTE_PATH LAUNCHER_PROFILE BASE_DIRECTORY ${CMAKE_SOURCE_DIR} NORMALIZE)
set(LAUNCHER_PROFILE_IS_DEFAULT OFF)
if(LAUNCHER_PROFILE STREQUAL LAUNCHER_DEFAULT_PROFILE)
  set(LAUNCHER_PROFILE_IS_DEFAULT ON)
endif()

# read_product_profile(NAME PROFILE OUTDIR): generates product_profile.h (and the profile's values for
# CMake) into OUTDIR and makes the INTERFACE library NAME, which puts that header on the include
# path of C++ and the resource script, and the profile's resource folder first on the resource
# compiler's path. Sets NAME_RESOURCE_FOLDER, NAME_ART_MASTERS, NAME_SOUND_SOURCES and NAME_PROFILE (the
# profile's absolute path) in the caller's scope.
function(read_product_profile name profile outdir)
  cmake_path(ABSOLUTE_PATH profile BASE_DIRECTORY ${CMAKE_SOURCE_DIR} NORMALIZE)
  # The kit's messages go to the terminal as they stand.
  execute_process(COMMAND ${LAUNCHER_KIT} profile generate "${profile}" ${outdir} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The product profile ${profile} has faults (listed above).")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${profile}
               ${CMAKE_SOURCE_DIR}/tools/launcherkit/profile.py ${CMAKE_SOURCE_DIR}/tools/launcherkit/profile_output.py
               ${CMAKE_SOURCE_DIR}/tools/launcherkit/version_block.py)
  include(${outdir}/product_profile.cmake)
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${outdir}
                             $<$<COMPILE_LANGUAGE:RC>:${PRODUCT_RESOURCE_FOLDER}>)
  set(${name}_RESOURCE_FOLDER ${PRODUCT_RESOURCE_FOLDER} PARENT_SCOPE)
  set(${name}_ART_MASTERS ${PRODUCT_ART_MASTERS} PARENT_SCOPE)
  set(${name}_SOUND_SOURCES ${PRODUCT_SOUND_SOURCES} PARENT_SCOPE)
  set(${name}_PROFILE ${profile} PARENT_SCOPE)
endfunction()
