# Compiler settings shared by every target of the project.

add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(CORVANE_WERROR)
    target_compile_options(corvane_warnings INTERFACE -Werror)
endif()

if(CORVANE_SANITIZE)
    add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${CORVANE_SANITIZE})
endif()

# corvane_library(name SOURCES ... DEPS ...): a library of one subsystem.
function(corvane_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE corvane_warnings)
endfunction()

# Fuzzing: every library is built with libFuzzer's coverage; the targets link the fuzzer.
if(CORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "CORVANE_FUZZ needs clang (configure with the fuzz preset)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
