# The scan path against the kernel's own Wi-Fi stack: run.sh boots a guest
# kernel with simulated radios and access points, and test_radio runs inside
# it (with the sanitizers' settings in a sanitizer build).
if(SKYVANE_RADIO_TESTS)
  add_executable(test_radio "${CMAKE_CURRENT_LIST_DIR}/RealRadioTest.cpp")
  target_link_libraries(test_radio PRIVATE sv_test_main)
  target_compile_options(test_radio PRIVATE ${SKYVANE_WARNINGS})
  add_test(NAME Radio.RealRadiosInAGuest
           COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/run.sh" "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}")
  set_tests_properties(Radio.RealRadiosInAGuest PROPERTIES
    LABELS radio SKIP_RETURN_CODE 77 TIMEOUT 1320)
endif()
