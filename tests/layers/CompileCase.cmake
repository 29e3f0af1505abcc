# One case of the layer checks, run by ctest: builds TARGET in BUILD_DIR (configuration CONFIG)
# and checks the outcome. EXPECT=allowed: it must compile. EXPECT=forbidden: it must fail, and
# because HEADER is not found; a failure for any other reason is a fault of the check.
set(config)
if(CONFIG)  # multi-configuration generators
  set(config --config ${CONFIG})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET} ${config}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX REPLACE "[<>\"]" "" header "${HEADER}")
if(EXPECT STREQUAL "allowed")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "#include ${HEADER} should compile here and does not:\n${output}")
  endif()
  message(STATUS "#include ${HEADER} compiles, as it may")
elseif(result EQUAL 0)
  message(FATAL_ERROR "#include ${HEADER} compiled: the build lets this layer include it")
else()
  # GCC: "X: No such file or directory"; Clang: "'X' file not found"; MSVC: "Cannot open include
  # file: 'X'".
  string(FIND "${output}" "${header}" named)
  string(REGEX MATCH "No such file|file not found|Cannot open include file" missing "${output}")
  if(named EQUAL -1 OR NOT missing)
    message(FATAL_ERROR "#include ${HEADER} failed for another reason than a header not "
                        "found:\n${output}")
  endif()
  message(STATUS "#include ${HEADER} does not compile here, as it must not")
endif()
