# tools/iedump prints each element list's digest before its dump.
add_test(NAME IedumpDigest
  COMMAND ${CMAKE_COMMAND} -DIEDUMP=$<TARGET_FILE:iedump>
    -DINPUT=${PROJECT_SOURCE_DIR}/tests/fixtures/elements/iedump-input.txt
    -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/fixtures/elements/iedump-digest.txt
    -P ${CMAKE_CURRENT_LIST_DIR}/iedump_check.cmake)
