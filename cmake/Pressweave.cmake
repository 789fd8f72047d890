# Helpers shared by the subsystem folders.

# pw_glob_sources(<out-var> <dir>): every .cpp/.c file directly in <dir>.
function(pw_glob_sources out dir)
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
  set(${out} ${_srcs} PARENT_SCOPE)
endfunction()

# pw_add_test_suite(<dir> LIBS <libs...>): one GoogleTest
# executable per *Tests.cpp or *Tests.mm (Objective-C++) file in <dir>, named after the file, registered
# with CTest test by test. Files in <dir> not ending in Tests.cpp are shared
# helpers linked into every executable of the folder. Files ending in
# ConcurrencyTests.cpp get the CTest label "concurrency" and join the
# concurrency-tests target, which the ThreadSanitizer build runs alone.
function(pw_add_test_suite dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS "${dir}/*Tests.cpp" "${dir}/*Tests.mm")
  file(GLOB _all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.mm")
  set(_helpers ${_all})
  if(_tests)
    list(REMOVE_ITEM _helpers ${_tests})
  endif()
  foreach(_src ${_tests})
    get_filename_component(_name ${_src} NAME_WE)
    add_executable(${_name} ${_src} ${_helpers})
    target_link_libraries(${_name} PRIVATE ${ARG_LIBS} PressweaveTestSupport GTest::gtest_main)
    set(_props ENVIRONMENT "PW_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(_name MATCHES "ConcurrencyTests$")
      list(APPEND _props LABELS concurrency)
      add_dependencies(concurrency-tests ${_name})
    endif()
    gtest_discover_tests(${_name} DISCOVERY_TIMEOUT 60 PROPERTIES ${_props})
  endforeach()
endfunction()
