# corvale_library(<layer> LIBS <deps...>)
# One static library per source folder, named corvale_<layer>, from every .cpp in it.
function(corvale_library layer)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main[^/]*\\.cpp$")
  if(NOT sources)
    # A layer whose code is still to come builds as an empty library.
    set(placeholder ${CMAKE_CURRENT_BINARY_DIR}/empty_${layer}.cpp)
    file(WRITE ${placeholder} "")
    set(sources ${placeholder})
  endif()
  add_library(corvale_${layer} STATIC ${sources})
  target_include_directories(corvale_${layer} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(corvale_${layer} PUBLIC
    CORVALE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    CORVALE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    CORVALE_VERSION_RELEASE=${PROJECT_VERSION_PATCH}
    CORVALE_VERSION_BUILD=${PROJECT_VERSION_TWEAK})
  target_link_libraries(corvale_${layer} PUBLIC ${ARG_LIBS})
endfunction()

# corvale_test_folder(<layer> LIBS <deps...>)
# One test executable per tests/ folder, from every .cpp in it, with the shared test main.
function(corvale_test_folder layer)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  set(target ${layer}_tests)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE corvale_test_support ${ARG_LIBS})
  target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/support/QtPrinters.h)
  target_compile_definitions(${target} PRIVATE
    CORVALE_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
  set(test_home ${CMAKE_BINARY_DIR}/test-home)
  file(MAKE_DIRECTORY ${test_home} ${test_home}/runtime)
  file(CHMOD ${test_home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  # Discovery at test time, so the build never runs a test binary without its environment.
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT
      "HOME=${test_home};XDG_RUNTIME_DIR=${test_home}/runtime;XDG_DATA_HOME=${test_home}/.local/share;XDG_CONFIG_HOME=${test_home}/.config;QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
      TIMEOUT 300)
endfunction()
