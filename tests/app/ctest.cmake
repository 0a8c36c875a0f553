# The application itself: starts on the shipped scenario without a display,
# scans for a while, and quits cleanly with its settings written.
add_test(NAME Application.RunsOnTheShippedScenarioAndQuits
         COMMAND skyvane --scenario "${PROJECT_SOURCE_DIR}/resources/scenarios/office.json" --quit-after 3)
set_tests_properties(Application.RunsOnTheShippedScenarioAndQuits PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.config;XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.local/share"
  TIMEOUT 60)
# A bad option value is refused with a message naming the option, before anything starts.
add_test(NAME Application.RefusesQuitAfterThatIsNoNumberOfSeconds
  COMMAND sh -c "for v in nan 1e308 -1; do out=$(\"$0\" --quit-after $v 2>&1); test $? -eq 2 && echo \"$out\" | grep -q -- '--quit-after takes' || exit 1; done"
          $<TARGET_FILE:skyvane>)
set_tests_properties(Application.RefusesQuitAfterThatIsNoNumberOfSeconds PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.config;XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.local/share"
  TIMEOUT 60)

# Help and version need no window system: they answer where no display is.
add_test(NAME Application.AnswersHelpAndVersionWithoutADisplay
  COMMAND sh -c "run() { env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY \"$0\" \"$@\"; }
                 out=$(run --help) && echo \"$out\" | grep -q -- '--scenario <file>' &&
                 out=$(run -platform xcb --version) && test \"$out\" = 'Skyvane ${PROJECT_VERSION}'"
          $<TARGET_FILE:skyvane>)
set_tests_properties(Application.AnswersHelpAndVersionWithoutADisplay PROPERTIES
  ENVIRONMENT "HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.config;XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.local/share"
  TIMEOUT 60)

# --demo plays the shipped scenario without naming it.
add_test(NAME Application.DemoRunsAndQuits COMMAND skyvane --demo --quit-after 3)
set_tests_properties(Application.DemoRunsAndQuits PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${CMAKE_CURRENT_BINARY_DIR}/demo-home;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/demo-home/.config;XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/demo-home/.local/share"
  TIMEOUT 60)

# The desktop entry and the MIME type, as installed by the install step.
add_test(NAME Application.DesktopEntryAndMimeTypeInstall
         COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/app/desktop-files.sh" "${PROJECT_BINARY_DIR}"
                 "${CMAKE_CURRENT_BINARY_DIR}/desktop-install")
set_tests_properties(Application.DesktopEntryAndMimeTypeInstall PROPERTIES TIMEOUT 120)

# A signal or --quit-after ends the application on a full disk, where the
# saves of the end fail and nobody is there to answer (a small tmpfs; root only).
add_test(NAME Application.QuitsUnattendedOnAFullDisk
         COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/../model/full-disk.sh" sh "${CMAKE_CURRENT_LIST_DIR}/quit-on-full-disk.sh"
                 $<TARGET_FILE:skyvane>
                 "${PROJECT_SOURCE_DIR}/resources/scenarios/office.json")
set_tests_properties(Application.QuitsUnattendedOnAFullDisk PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
