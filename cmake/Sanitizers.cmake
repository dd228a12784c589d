# Sanitizers apply to the whole build, so that every library and test runs instrumented.
# ROTOPAL_SANITIZED tells the code that a sanitizer owns the allocator and maps terabytes of
# shadow memory: no address-space allowance, no interposed malloc or pthread_create.
if(ROTOPAL_SANITIZE OR ROTOPAL_FUZZ)
    add_compile_definitions(ROTOPAL_SANITIZED=1)
endif()

if(ROTOPAL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(ROTOPAL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ROTOPAL_FUZZ needs clang (libFuzzer)")
    endif()
    # Instrument everything for coverage; only the fuzz targets link the fuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
