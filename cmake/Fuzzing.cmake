# libFuzzer over the picture rules, seeded with the shipped pictures. Built with clang in a build tree
# of its own (libFuzzer needs clang; the rest of the native build uses the default compiler).
# A short, fixed number of runs is part of the tests; `cmake --build --preset native --target fuzz-long`
# runs it for ten minutes.

find_program(CLANGXX clang++)
if(NOT CLANGXX)
  message(STATUS "clang++ not found: the fuzzing run is left out")
  return()
endif()

set(fuzz_binary ${CMAKE_BINARY_DIR}/fuzz/dib_rules_fuzz)
set(fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz/corpus)
set(fuzz_sources ${CMAKE_SOURCE_DIR}/tests/unit/dib_rules_fuzz.cpp ${CMAKE_SOURCE_DIR}/imaging/dib_rules.cpp)

add_custom_command(OUTPUT ${fuzz_binary}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
  COMMAND ${CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I${CMAKE_SOURCE_DIR}
          ${fuzz_sources} -o ${fuzz_binary}
  DEPENDS ${fuzz_sources} ${CMAKE_SOURCE_DIR}/imaging/dib_rules.h
  COMMENT "Building the picture-rules fuzzer with clang"
  VERBATIM)

# The seed corpus: every shipped bitmap without its 14-byte file header, as the executable holds it.
file(GLOB_RECURSE shipped_bitmaps ${CMAKE_SOURCE_DIR}/resources/art/*.bmp)
add_custom_command(OUTPUT ${fuzz_corpus}/.seeded
  COMMAND ${LAUNCHER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/unit/seed_fuzz_corpus.py ${fuzz_corpus} ${shipped_bitmaps}
  COMMAND ${CMAKE_COMMAND} -E touch ${fuzz_corpus}/.seeded
  DEPENDS ${shipped_bitmaps} ${CMAKE_SOURCE_DIR}/tests/unit/seed_fuzz_corpus.py
  VERBATIM)

add_custom_target(dib_rules_fuzz ALL DEPENDS ${fuzz_binary} ${fuzz_corpus}/.seeded VERBATIM)

add_test(NAME fuzz.dib_rules_short
  COMMAND ${fuzz_binary} -runs=20000 -seed=1 -max_len=200000 ${fuzz_corpus})
add_custom_target(fuzz-long
  COMMAND ${fuzz_binary} -max_total_time=600 -max_len=600000 ${fuzz_corpus}
  DEPENDS dib_rules_fuzz USES_TERMINAL VERBATIM)
