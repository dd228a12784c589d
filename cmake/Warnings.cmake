# Every target of ours gets the same strict warning set through this interface library.
add_library(rotopal_warnings INTERFACE)
target_compile_options(rotopal_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference
    -Wimplicit-fallthrough)
if(ROTOPAL_WERROR)
    target_compile_options(rotopal_warnings INTERFACE -Werror)
endif()
