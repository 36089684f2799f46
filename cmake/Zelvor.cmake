# Shared build helpers.

# V8 from the unpacked Debian libnode packages (see ./dev). Never the system's /usr/include/node.
set(ZELVOR_LIBNODE "${CMAKE_SOURCE_DIR}/build/deps/libnode" CACHE PATH "Unpacked libnode108 + libnode-dev")
if(NOT EXISTS "${ZELVOR_LIBNODE}/usr/include/node/v8.h")
  message(FATAL_ERROR "V8 headers not found under ${ZELVOR_LIBNODE}; run ./dev build")
endif()
add_library(zelvor_v8 INTERFACE)
target_compile_options(zelvor_v8 INTERFACE -isystem "${ZELVOR_LIBNODE}/usr/include/node")
target_link_libraries(zelvor_v8 INTERFACE "${ZELVOR_LIBNODE}/usr/lib/x86_64-linux-gnu/libnode.so" -pthread)
target_link_options(zelvor_v8 INTERFACE "-Wl,-rpath,${ZELVOR_LIBNODE}/usr/lib/x86_64-linux-gnu")

# The build sees the resources in place: build/resources points at the source folder, so that
# the application finds them next to its binary. Generated resources are git-ignored there.
file(CREATE_LINK "${CMAKE_SOURCE_DIR}/resources" "${CMAKE_BINARY_DIR}/resources" SYMBOLIC)

# Collects the sources of a library from its folders (new files are picked up on the next build).
function(zelvor_sources out)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      "${CMAKE_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_SOURCE_DIR}/${dir}/*.h")
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# zelvor_test(NAME SOURCES... LIBS libs... [GUI] [WEB] [TEST_NETWORK] [ARGS args...])
# One executable per group of related tests, run by CTest with ARGS. GUI tests get a
# QApplication (offscreen), the others a QCoreApplication. TEST_NETWORK runs the program in a
# network namespace with a test-only address besides loopback (tests/support/in-test-network.sh). A program some of whose cases skipped
# exits with 77, which CTest shows as skipped (see tests/support/SkipReport.h).
function(zelvor_test name)
  cmake_parse_arguments(T "GUI;WEB;TEST_NETWORK" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI OR T_WEB)
    target_link_libraries(${name} PRIVATE zelvor_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE zelvor_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ZELVOR_TEST_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures"
                                             ZELVOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(T_TEST_NETWORK)
    add_test(NAME ${name} COMMAND sh ${CMAKE_SOURCE_DIR}/tests/support/in-test-network.sh
                                  $<TARGET_FILE:${name}> ${T_ARGS})
  else()
    add_test(NAME ${name} COMMAND ${name} ${T_ARGS})
  endif()
  # The tests' temporary files, the run folders of their untitled projects among them, stay in
  # the build: left in the shared temporary folder, an application started there later would
  # offer the untitled projects of ended test processes as its user's lost work.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-tmp)
  set(env "ZELVOR_RESOURCES=${CMAKE_SOURCE_DIR}/resources" "QT_QPA_PLATFORM=offscreen" "TMPDIR=${CMAKE_BINARY_DIR}/test-tmp")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" SKIP_RETURN_CODE 77)
  # Tests labelled "web" need the web engine, whose own processes are not built with the
  # sanitizers: ./dev test --sanitize leaves them out.
  if(T_WEB)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL FALSE PROCESSORS 2 LABELS web)
  endif()
endfunction()

# zelvor_bench(NAME SOURCES... LIBS libs...): a Google Benchmark program run by ./dev bench.
function(zelvor_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(bench_${name} ${B_SOURCES})
  target_link_libraries(bench_${name} PRIVATE ${B_LIBS} benchmark::benchmark Qt6::Core)
  target_include_directories(bench_${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/bench)
  target_compile_definitions(bench_${name} PRIVATE ZELVOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_target_properties(bench_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
