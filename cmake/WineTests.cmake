# Tests of the Windows build run under Wine through tools/wine-run, the
# cross-compiling emulator. The prefixes live in the build tree; a fixture
# makes them (once per tree) and starts the display before the first test,
# and another stops this tree's wineservers and Xvfb after the last one.
function(vantrix_wine_fixture)
    set(runner ${CMAKE_SOURCE_DIR}/tools/wine-run --root ${VANTRIX_WINE_ROOT})
    add_test(NAME wine.setup COMMAND ${runner} --setup)
    set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 600
                         ENVIRONMENT "VANTRIX_PREFIXES=win10 win10-explorer win10-e2e win81 win8 win7 win64")
    add_test(NAME wine.stop COMMAND ${runner} --stop)
    set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()
