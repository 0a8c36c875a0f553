# Stored files read alike whatever the user's locale: the property-list and
# archive tests again under a locale whose decimal mark is a comma, built into
# the build tree so the machine's own locales do not matter.
add_test(NAME PropertyList.ReadAlikeUnderACommaDecimalLocale
         COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/under-locale.sh" "${CMAKE_CURRENT_BINARY_DIR}/locale" de_DE
                 $<TARGET_FILE:test_platform> --gtest_filter=PropertyList.*:KeyedArchive.*)
set_tests_properties(PropertyList.ReadAlikeUnderACommaDecimalLocale PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen" SKIP_RETURN_CODE 77 TIMEOUT 300)
