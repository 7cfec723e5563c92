# Tests of the Windows build run under Wine through tools/wine-run, the
# cross-compiling emulator. The prefixes live in the build tree; a fixture
# makes them (once per tree) and starts the display before the first test,
# and another stops this tree's wineservers and Xvfb after the last one.
# The 32-bit build's prefixes are 32-bit, with one 64-bit prefix for the
# program's refusal of 64-bit Windows; the 64-bit build's are all 64-bit.
function(vantrix_wine_fixture)
    set(runner ${CMAKE_SOURCE_DIR}/tools/wine-run --root ${VANTRIX_WINE_ROOT} --bits ${VANTRIX_BITS})
    set(prefixes "win10 win10-explorer win10-e2e win81 win8 win7")
    if(VANTRIX_BITS EQUAL 32)
        string(APPEND prefixes " win64")
    endif()
    add_test(NAME wine.setup COMMAND ${runner} --setup)
    set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 600
                         ENVIRONMENT "VANTRIX_PREFIXES=${prefixes}")
    add_test(NAME wine.stop COMMAND ${runner} --stop)
    set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# On a host that cannot run this build's code, each group of Wine tests is one
# entry that CTest reports as skipped (never as passed), with the reason.
set(VANTRIX_SKIP_REASON "this host cannot run ${VANTRIX_BITS}-bit code" CACHE STRING
    "Why the Wine runs of this build are skipped")
function(vantrix_wine_skipped)
    foreach(name IN LISTS ARGN)
        add_test(NAME ${name}
                 COMMAND ${Python3_EXECUTABLE} -c
                         "print('Not run under Wine: ${VANTRIX_SKIP_REASON}.'); raise SystemExit(77)")
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
    endforeach()
endfunction()
