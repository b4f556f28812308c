# GoogleTest from the distribution's sources, built the same way for the
# host and for the cross build (Debian ships no MinGW binaries of it).
if(NIMBREL_TESTS)
  set(NIMBREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${NIMBREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endif()

# nimbrel_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT ...])
# A host test executable is discovered test by test; a Windows one runs under
# Wine through the cross-compiling emulator, which strips Wine's CR LF so
# that discovery works there too. ENVIRONMENT (VAR=value) is set for its runs.
function(nimbrel_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
  if(WIN32)
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE OFF)
    set(labels windows ${ARG_LABELS})
  else()
    set(labels host ${ARG_LABELS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS "${labels}" TIMEOUT 300 ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()
