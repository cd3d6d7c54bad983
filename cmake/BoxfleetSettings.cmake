# Compile settings shared by every target of the project.
add_library(boxfleet_settings INTERFACE)
target_compile_features(boxfleet_settings INTERFACE cxx_std_20)
target_compile_options(boxfleet_settings INTERFACE -Wall -Wextra)
target_compile_definitions(boxfleet_settings INTERFACE QT_NO_FOREACH QT_NO_CAST_TO_ASCII
                                                         BOXFLEET_VERSION="${PROJECT_VERSION}"
                                                         BOXFLEET_PRIVATE_LIBDIR="${BOXFLEET_PRIVATE_LIBDIR}")

option(BOXFLEET_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BOXFLEET_WERROR "Treat warnings as errors" OFF)
if(BOXFLEET_WERROR)
    target_compile_options(boxfleet_settings INTERFACE -Werror)
endif()
if(BOXFLEET_SANITIZE)
    target_compile_options(boxfleet_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                       -fno-sanitize-recover=undefined)
    target_link_options(boxfleet_settings INTERFACE -fsanitize=address,undefined)
endif()
# The libFuzzer targets (clang): every library is built with the fuzzer's
# coverage and the sanitizers, and the fuzz targets link the same libraries
# the program does.
option(BOXFLEET_FUZZ "Build the libFuzzer targets of the box and FTP parsers (clang)" OFF)
if(BOXFLEET_FUZZ)
    target_compile_options(boxfleet_settings INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                       -fno-omit-frame-pointer)
    target_link_options(boxfleet_settings INTERFACE -fsanitize=address,undefined)
endif()
