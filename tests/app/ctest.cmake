# The console run of the scan engine: one pass over the shipped scenario,
# printed, then a clean stop.
add_test(NAME Console.OnePassOverTheShippedScenario
         COMMAND skyvane --passes 1 --scenario "${PROJECT_SOURCE_DIR}/resources/scenarios/office.json")
set_tests_properties(Console.OnePassOverTheShippedScenario PROPERTIES
  PASS_REGULAR_EXPRESSION "Pass 1: 32 networks.*  14:cc:20:5a:10:02  ch  36   -5[0-9] dBm  Harbour-Office.*Stopped after 1 pass\\."
  TIMEOUT 60)
