# Runs Debian's package checker on the package check_package.cmake built; any error or warning fails.
# cmake -DBUILD=<build folder> -P check_lintian.cmake
find_program(lintian lintian)
if(NOT lintian)
    message("SKIPPED: lintian is not installed")
    return()
endif()
file(GLOB debs ${BUILD}/kerfolio_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${BUILD}, found: ${debs}")
endif()
execute_process(COMMAND ${lintian} --pedantic --fail-on error,warning ${debs}
    RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE ignored)
message("${said}")
if(failed OR said MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian finds faults in ${debs}")
endif()
