# GoogleTest for native and cross builds.
#
# Native builds use the system's GTest package. Cross builds compile Debian's
# GoogleTest sources with the cross compiler, and run each test program as a
# whole through CMAKE_CROSSCOMPILING_EMULATOR (wine64), so that no Windows
# program has to run at build time for test discovery.
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(BRISKO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${BRISKO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# brisko_add_gtest(NAME SOURCES... [LIBS libs...])
function(brisko_add_gtest name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${ARG_LIBS} brisko_options)
  if(CMAKE_CROSSCOMPILING)
    # Without an emulator (32-bit Windows) the programs are built, not run.
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      add_test(NAME ${name} COMMAND ${name})
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
