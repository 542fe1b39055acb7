# The launcher's platform-free rules, built for the host and tested under AddressSanitizer and
# UndefinedBehaviorSanitizer; the asset check and its tests; a short fuzzing run when clang is there.

set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-Wall -Wextra -Werror ${sanitize})
add_link_options(${sanitize})

find_package(GTest REQUIRED)
include(GoogleTest)
include(cmake/ProductProfile.cmake)

# The rules take no product's values; the profile is still read, so that a faulty one stops this
# configuration too.
read_product_profile(launcher_profile "${LAUNCHER_PROFILE}" ${CMAKE_BINARY_DIR}/generated)

add_library(launcher_rules STATIC
  imaging/dib_rules.cpp
  launcher/layout_rules.cpp
  launcher/command_line_rules.cpp
  launcher/path_rules.cpp
  launcher/pointer_rules.cpp)
target_include_directories(launcher_rules PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(unit_tests
  tests/unit/dib_rules_test.cpp
  tests/unit/layout_rules_test.cpp
  tests/unit/command_line_rules_test.cpp
  tests/unit/path_rules_test.cpp
  tests/unit/pointer_rules_test.cpp)
# The picture rule is held to the asset check's table of required forms.
target_link_libraries(unit_tests PRIVATE launcher_rules asset_rules GTest::gtest_main)
gtest_discover_tests(unit_tests TEST_PREFIX "unit.")

set(RESOURCE_FORMS_DIR ${LAUNCHER_GENERATED_RESOURCES})
add_subdirectory(tools/assetcheck)
add_executable(asset_check_test tests/unit/asset_check_test.cpp)
target_link_libraries(asset_check_test PRIVATE asset_rules GTest::gtest_main)
target_compile_definitions(asset_check_test PRIVATE
  ASSET_CHECK_SHIPPED_FOLDER="${CMAKE_SOURCE_DIR}/resources")
gtest_discover_tests(asset_check_test TEST_PREFIX "assetcheck.")

add_test(NAME assetcheck.shipped_resources COMMAND asset_check ${CMAKE_SOURCE_DIR}/resources)
add_test(NAME assetcheck.example_resources COMMAND asset_check ${CMAKE_SOURCE_DIR}/docs/examples/zyndra-atlas)
# Its last line names the folder whose files were checked.
set_tests_properties(assetcheck.example_resources PROPERTIES PASS_REGULAR_EXPRESSION
  "asset_check: [0-9]+ pictures in [^ ]*/docs/examples/zyndra-atlas have")
# The kit's half of the check: the sounds, the icon and the 256-colour buttons' colours.
add_pytest(assetcheck.kit_resource_check ${CMAKE_SOURCE_DIR}/tests/unit/test_resource_check.py)

add_subdirectory(tests/profile)

include(cmake/Fuzzing.cmake)
