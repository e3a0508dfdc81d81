# Release builds get the hardening a distribution gives its own packages: checked string and memory
# calls, stack canaries, a read-only relocation table resolved at start, and position-independent
# executables. Not with the sanitizers (the fuzzers carry them too), which bring checks of their own,
# nor without optimisation, where the checked calls do not exist.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
if(NOT KERFOLIO_SANITIZE AND NOT KERFOLIO_FUZZ)
    set(optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
    add_compile_options($<${optimised}:-fstack-protector-strong> $<${optimised}:-Wformat>
                        $<${optimised}:-Werror=format-security>)
    add_compile_definitions($<${optimised}:_FORTIFY_SOURCE=2>)
    add_link_options($<${optimised}:LINKER:-z,relro> $<${optimised}:LINKER:-z,now>)
endif()
