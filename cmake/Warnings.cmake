# Every target of the project compiles with the same strict warnings, as errors.
function(glanmail_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                             -Werror)
    # clang's -Wconversion also checks signedness, which g++'s does not; both compilers check alike.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(${target} PRIVATE -Wno-sign-conversion)
    endif()
    # The sanitizers' instrumentation makes g++ see "maybe uninitialized" values inside the standard
    # library's optional, function and regex code at -O2; the plain build keeps the warning.
    if(GLANMAIL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()
