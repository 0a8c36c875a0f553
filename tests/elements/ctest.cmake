# The fuzz entry for element lists (fuzz/elements.cpp), replayed over its
# fixed corpus in every build; SKYVANE_FUZZ (clang) adds the libFuzzer
# target, with the decoder itself compiled in so coverage reaches it.
add_executable(fuzz_elements_replay "${PROJECT_SOURCE_DIR}/fuzz/elements.cpp")
target_link_libraries(fuzz_elements_replay PRIVATE sv_elements)
target_compile_options(fuzz_elements_replay PRIVATE ${SKYVANE_WARNINGS})
add_test(NAME ElementFuzzCorpus
  COMMAND fuzz_elements_replay "${PROJECT_SOURCE_DIR}/fuzz/corpus/elements")

if(SKYVANE_FUZZ AND NOT TARGET fuzz_elements)
  file(GLOB element_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/elements/*.cpp")
  add_executable(fuzz_elements "${PROJECT_SOURCE_DIR}/fuzz/elements.cpp" ${element_sources})
  target_link_libraries(fuzz_elements PRIVATE sv_platform)
  target_include_directories(fuzz_elements PRIVATE "${PROJECT_SOURCE_DIR}/src")
  target_compile_definitions(fuzz_elements PRIVATE SKYVANE_LIBFUZZER)
  target_compile_options(fuzz_elements PRIVATE ${SKYVANE_WARNINGS} -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_elements PRIVATE -fsanitize=fuzzer,address,undefined)
endif()

# tools/iedump prints each element list's digest before its dump.
add_test(NAME IedumpDigest
  COMMAND ${CMAKE_COMMAND} -DIEDUMP=$<TARGET_FILE:iedump>
    -DINPUT=${PROJECT_SOURCE_DIR}/tests/fixtures/elements/iedump-input.txt
    -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/fixtures/elements/iedump-digest.txt
    -P ${CMAKE_CURRENT_LIST_DIR}/iedump_check.cmake)
