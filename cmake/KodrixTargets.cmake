# Helpers every folder's CMakeLists uses.

# The warnings every target of the project is built with; -DKODRIX_WERROR=ON
# (what CI sets) turns them into errors.
option(KODRIX_WERROR "Treat compiler warnings as errors" OFF)
add_library(kodrix_warnings INTERFACE)
target_compile_options(kodrix_warnings INTERFACE -Wall -Wextra -Wpedantic -Wno-unused-parameter -Wno-missing-field-initializers
                       $<$<BOOL:${KODRIX_WERROR}>:-Werror>)

# A static library of the project: its sources, the repository root as the
# include root, the project's warnings.
function(kodrix_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE kodrix_warnings)
endfunction()

# Another build of a library's own sources (the same list, the same include
# root and the same links, as given in LINK) with extra compile and link
# options: the readers of untrusted bytes under sanitizers (the tests' fuzz
# corpus replays) and with coverage for the fuzzers.
#   kodrix_instrumented_library(NEW FROM target OPTIONS compile-options...
#                               [LINK_OPTIONS link-options...] [LINK libraries...])
# LINK_OPTIONS default to OPTIONS.
function(kodrix_instrumented_library new)
  cmake_parse_arguments(arg "" "FROM" "OPTIONS;LINK_OPTIONS;LINK" ${ARGN})
  if(NOT arg_LINK_OPTIONS)
    set(arg_LINK_OPTIONS ${arg_OPTIONS})
  endif()
  get_target_property(sources ${arg_FROM} SOURCES)
  get_target_property(dir ${arg_FROM} SOURCE_DIR)
  list(TRANSFORM sources PREPEND "${dir}/" REGEX "^[^/]")
  add_library(${new} STATIC ${sources})
  target_include_directories(${new} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${new} PUBLIC ${arg_OPTIONS})
  target_link_options(${new} PUBLIC ${arg_LINK_OPTIONS})
  target_link_libraries(${new} PUBLIC ${arg_LINK})
endfunction()
