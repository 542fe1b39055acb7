# add_pytest(NAME FILE [TIMEOUT SECONDS] [ENVIRONMENT VAR=VALUE ...]): one pytest file as one CTest test,
# run with Debian's interpreter and the repository's pytest.ini (which puts the kit on the module path).
# Exit code 77 counts as skipped: a test file that cannot run on this host (no Wine of the build's
# architecture) says so and skips every case.
function(add_pytest name file)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "TIMEOUT" "ENVIRONMENT")
  add_test(NAME ${name}
    COMMAND ${LAUNCHER_PYTHON} -m pytest -c ${CMAKE_SOURCE_DIR}/pytest.ini --rootdir ${CMAKE_SOURCE_DIR} -v ${file})
  set_tests_properties(${name} PROPERTIES
    SKIP_RETURN_CODE 77
    ENVIRONMENT "${arg_ENVIRONMENT};PYTHONDONTWRITEBYTECODE=1")
  if(arg_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
  endif()
endfunction()
