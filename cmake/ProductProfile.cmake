# The product profile (resources/product.profile by default): the product's names, version texts and
# folders, read at configure time by the kit (`tools/kit profile`). A faulty profile stops the
# configuration with one line per fault: file, line, key, what was found and what is required.

set(LAUNCHER_DEFAULT_PROFILE ${CMAKE_SOURCE_DIR}/resources/product.profile)
set(LAUNCHER_PROFILE ${LAUNCHER_DEFAULT_PROFILE} CACHE FILEPATH "The product profile the launcher is built for")
get_filename_component(LAUNCHER_PROFILE ${LAUNCHER_PROFILE} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
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
  get_filename_component(profile ${profile} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${profile}
               ${CMAKE_SOURCE_DIR}/tools/launcherkit/profile.py)
  # The kit's messages go to the terminal as they stand.
  execute_process(COMMAND ${LAUNCHER_KIT} profile generate ${profile} ${outdir} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The product profile ${profile} has faults (listed above).")
  endif()
  include(${outdir}/product_profile.cmake)
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${outdir}
                             $<$<COMPILE_LANGUAGE:RC>:${PRODUCT_RESOURCE_FOLDER}>)
  set(${name}_RESOURCE_FOLDER ${PRODUCT_RESOURCE_FOLDER} PARENT_SCOPE)
  set(${name}_ART_MASTERS ${PRODUCT_ART_MASTERS} PARENT_SCOPE)
  set(${name}_SOUND_SOURCES ${PRODUCT_SOUND_SOURCES} PARENT_SCOPE)
  set(${name}_PROFILE ${profile} PARENT_SCOPE)
endfunction()
