# Every target of the project compiles with the same strict warnings.
function(orvanel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(ORVANEL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
