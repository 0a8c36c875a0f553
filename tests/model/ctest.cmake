# The archive tool writes a synthetic survey and lists it back, and names a damaged file.
add_test(NAME svarchive_synthetic_round_trip
  COMMAND sh -c "$<TARGET_FILE:svarchive> --write-synthetic 3 40 \"$1\" && $<TARGET_FILE:svarchive> \"$1\" | grep -c 'synthetic-.*40 samples' | grep -qx 3"
          svarchive "${CMAKE_CURRENT_BINARY_DIR}/svarchive-synthetic.skyvane")
add_test(NAME svarchive_names_damage
  COMMAND sh -c "head -c 200 \"$1\" > \"$2\"; out=$($0 \"$2\" 2>&1); test $? -ne 0 && echo \"$out\" | grep -q damaged"
          $<TARGET_FILE:svarchive> "${PROJECT_SOURCE_DIR}/tests/fixtures/record/corpus/archive-two-records"
          "${CMAKE_CURRENT_BINARY_DIR}/svarchive-cut.skyvane")
set_tests_properties(svarchive_synthetic_round_trip svarchive_names_damage PROPERTIES DEPENDS svarchive TIMEOUT 60)
# Bare record arrays (what the record layer wrote before documents) still read.
add_test(NAME svarchive_reads_bare_record_arrays
  COMMAND sh -c "$<TARGET_FILE:svarchive> --write-synthetic 2 5 \"$1\" && $<TARGET_FILE:svarchive> \"$1\" | grep -c '5 samples' | grep -qx 2"
          svarchive "${CMAKE_CURRENT_BINARY_DIR}/svarchive-bare.archive")
set_tests_properties(svarchive_reads_bare_record_arrays PROPERTIES DEPENDS svarchive TIMEOUT 60)

# Saving on a filesystem that is really full (a small tmpfs; root only).
add_test(NAME full_disk_saves
  COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/full-disk.sh" $<TARGET_FILE:test_model> --gtest_filter=FullDisk.*)
set_tests_properties(full_disk_saves PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
