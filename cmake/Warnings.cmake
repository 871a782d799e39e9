# Every target of the project compiles with the same strict warnings, as errors.
function(glanmail_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                             -Werror)
endfunction()
