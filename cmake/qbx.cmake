# Helpers shared by every subsystem's CMakeLists: deliverable libraries, tests and fuzz targets.

# Installed programs find the libraries in the library folder beside their own folder, and installed
# libraries find their siblings in their own folder ($ORIGIN), so that an install into any prefix
# runs without LD_LIBRARY_PATH.
file(RELATIVE_PATH qbx_bin_to_lib "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
set(CMAKE_INSTALL_RPATH "$ORIGIN/${qbx_bin_to_lib}")
# pkg-config files find the prefix from their own place, so that they hold for the prefix given at
# install time (cmake --install --prefix) as well as for the configured one.
file(RELATIVE_PATH qbx_pc_to_prefix "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" qbx_pc_to_prefix "${qbx_pc_to_prefix}")

# qbx_write_pkg_config(<target>): lib<name>.pc for a deliverable library, installed beside it. Its
# Requires are the deliverable libraries the target links publicly. Called at the end of the
# folder that adds the library, once all its links are known.
function(qbx_write_pkg_config target)
  get_target_property(name ${target} OUTPUT_NAME)
  get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  get_property(deliverables GLOBAL PROPERTY QBX_LIBRARIES)
  set(requires "")
  foreach(link IN LISTS links)
    if(link IN_LIST deliverables)
      get_target_property(required ${link} OUTPUT_NAME)
      list(APPEND requires ${required})
    endif()
  endforeach()
  list(JOIN requires ", " requires)
  set(pc "${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/${name}.pc")
  file(WRITE ${pc} "prefix=\${pcfiledir}/${qbx_pc_to_prefix}
libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}/qbx

Name: ${name}
Description: lib${name} of the measuring-amplifier software (plain C interface)
Version: ${PROJECT_VERSION}
Requires: ${requires}
Cflags: -I\${includedir}
Libs: -L\${libdir} -Wl,-rpath,\${libdir} -l${name}
")
  install(FILES ${pc} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

# qbx_add_library(<target> OUTPUT <name> SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# A deliverable shared library with its public C header folder include/; installed with the package.
function(qbx_add_library target)
  cmake_parse_arguments(A "" "OUTPUT" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${target} SHARED ${A_SOURCES})
  if(A_OUTPUT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${A_OUTPUT})
  endif()
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/qbx>)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  if(A_LIBS)
    target_link_libraries(${target} PUBLIC ${A_LIBS})
  endif()
  if(A_PRIVATE_LIBS)
    target_link_libraries(${target} PRIVATE ${A_PRIVATE_LIBS})
  endif()
  # clang's sanitizer runtime lives in the executable, so a sanitized clang library has undefined
  # runtime symbols by design: check for undefined symbols in every other build.
  if(NOT (QBX_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  if(NOT A_OUTPUT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${target})
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_property(GLOBAL APPEND PROPERTY QBX_LIBRARIES ${target})
  cmake_language(EVAL CODE "cmake_language(DEFER CALL qbx_write_pkg_config ${target})")
  install(TARGETS ${target} EXPORT qbxTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qbx
    FILES_MATCHING PATTERN "*.h")
endfunction()

# qbx_add_test(<target> SOURCES ... [LIBS ...] [TIMEOUT s] [SERIAL])
# A GoogleTest program registered with CTest case by case. SERIAL marks tests that must not run
# beside others (timing-sensitive pseudo-terminal exchanges).
function(qbx_add_test target)
  if(NOT QBX_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  set(props TIMEOUT ${A_TIMEOUT} ENVIRONMENT "QBX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(A_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# qbx_add_fuzzer(<name> SOURCES ... LIBS ... CORPUS <dir>)
# Every fuzz target is also built as <name>_replay, which runs each file of its corpus folder (the
# inputs that once crashed it, and seeds) through the target as an ordinary test. With QBX_FUZZ
# (clang) the libFuzzer program <name> is built as well; scripts/test runs it for a short time.
function(qbx_add_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(QBX_TESTS)
    add_executable(${name}_replay ${A_SOURCES} ${PROJECT_SOURCE_DIR}/tools/testkit/src/fuzz_replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${A_LIBS})
    target_include_directories(${name}_replay PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${A_CORPUS})
    set_tests_properties(${name}_replay PROPERTIES TIMEOUT 300)
  endif()
  if(QBX_FUZZ)
    add_executable(${name} ${A_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    set_property(GLOBAL APPEND PROPERTY QBX_FUZZERS "${name}|$<TARGET_FILE:${name}>|${A_CORPUS}")
  endif()
endfunction()

# qbx_add_test_areas(): adds tests/<area>/ of the current subsystem for every area folder that has a
# CMakeLists.txt, so that the areas of one library keep their tests apart.
function(qbx_add_test_areas)
  if(NOT QBX_TESTS AND NOT QBX_FUZZ)
    return()
  endif()
  file(GLOB areas LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/tests/*)
  foreach(area IN LISTS areas)
    if(EXISTS ${area}/CMakeLists.txt)
      add_subdirectory(${area})
    endif()
  endforeach()
endfunction()

# qbx_add_internal_target(<name> [LIBS ...]): the INTERFACE target <name> through which a library's
# own object library, tests, fuzz targets and benchmarks reach its public include/ and its private
# src/ folder (and the libraries its internals need), instead of each repeating the paths.
function(qbx_add_internal_target name)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_CURRENT_SOURCE_DIR}/src)
  if(A_LIBS)
    target_link_libraries(${name} INTERFACE ${A_LIBS})
  endif()
endfunction()
