# Run after a Qt Test binary is built: asks it for its test functions and
# writes one ctest entry per function, so a failure names its case.
# Inputs: TEST_EXECUTABLE, TEST_PREFIX, CTEST_FILE, TEST_ENVIRONMENT ("|"-separated).
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${TEST_EXECUTABLE} -functions
    OUTPUT_VARIABLE listing
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} -functions failed: ${status}")
endif()
string(REPLACE "|" ";" environment "${TEST_ENVIRONMENT}")
string(REPLACE "\n" ";" lines "${listing}")
set(content "")
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_]+)\\(\\)$")
        set(fn "${CMAKE_MATCH_1}")
        string(APPEND content
            "add_test([=[${TEST_PREFIX}.${fn}]=] [=[${TEST_EXECUTABLE}]=] [=[${fn}]=])\n"
            "set_tests_properties([=[${TEST_PREFIX}.${fn}]=] PROPERTIES ENVIRONMENT [=[${environment}]=] TIMEOUT 180)\n")
    endif()
endforeach()
file(WRITE "${CTEST_FILE}" "${content}")
