# The Qt-free layers compile under a stricter set than the rest: a narrowing or a sign change must be
# written out as a cast, so a value that could be out of range is visibly checked where it is converted.
# Qt's own headers do not pass these, so the widgets and the server keep -Wall -Wextra only.
function(kerfolio_strict_warnings)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
                                                 -Wnon-virtual-dtor -Wpedantic)
    endforeach()
endfunction()
