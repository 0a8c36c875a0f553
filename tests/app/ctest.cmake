# The application itself: starts on the shipped scenario without a display,
# scans for a while, and quits cleanly with its settings written.
add_test(NAME Application.RunsOnTheShippedScenarioAndQuits
         COMMAND skyvane --scenario "${PROJECT_SOURCE_DIR}/resources/scenarios/office.json" --quit-after 3)
set_tests_properties(Application.RunsOnTheShippedScenarioAndQuits PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.config;XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/app-home/.local/share"
  TIMEOUT 60)

# The desktop entry and the MIME type, as installed by the install step.
add_test(NAME Application.DesktopEntryAndMimeTypeInstall
         COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/app/desktop-files.sh" "${PROJECT_BINARY_DIR}"
                 "${CMAKE_CURRENT_BINARY_DIR}/desktop-install")
set_tests_properties(Application.DesktopEntryAndMimeTypeInstall PROPERTIES TIMEOUT 120)
