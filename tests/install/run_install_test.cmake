# Installs the build into a fresh prefix and builds the host program twice against it, with CMake
# (find_package) and with pkg-config, then runs both without LD_LIBRARY_PATH.
# Arguments (-D): BUILD_DIR, HOST_DIR (this folder), WORK_DIR, C_COMPILER, SANITIZE (ON/OFF).
cmake_minimum_required(VERSION 3.25)

# Runs a command; stops the test with its output when it fails.
function(step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

# The host links with --as-needed, so that its own needs end at the libraries it calls.
set(host_flags "-Wl,--as-needed")
if(SANITIZE)
  string(APPEND host_flags " -fsanitize=address,undefined")
endif()
unset(ENV{LD_LIBRARY_PATH})

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
step("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")

# Every installed library has its pkg-config file.
file(GLOB libraries RELATIVE "${prefix}/lib" "${prefix}/lib/lib*.so")
if(NOT libraries)
  message(FATAL_ERROR "nothing installed in ${prefix}/lib")
endif()
foreach(library IN LISTS libraries)
  string(REGEX REPLACE "^lib(.*)\\.so$" "\\1" name "${library}")
  if(NOT EXISTS "${prefix}/lib/pkgconfig/${name}.pc")
    message(FATAL_ERROR "no pkg-config file for ${library}")
  endif()
endforeach()

# CMake host.
step("configure the CMake host" ${CMAKE_COMMAND} -S "${HOST_DIR}" -B "${WORK_DIR}/cmake-host"
     "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_C_FLAGS=${host_flags}"
     "-DCMAKE_EXE_LINKER_FLAGS=${host_flags}")
step("build the CMake host" ${CMAKE_COMMAND} --build "${WORK_DIR}/cmake-host")
step("run the CMake host" "${WORK_DIR}/cmake-host/host")
set(cmake_output "${step_output}")

# pkg-config host.
set(ENV{PKG_CONFIG_PATH} "${prefix}/lib/pkgconfig")
step("pkg-config" pkg-config --cflags --libs corvan32 numera32)
string(STRIP "${step_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra UNIX_COMMAND "${host_flags}")
step("build the pkg-config host" ${C_COMPILER} ${extra} "${HOST_DIR}/host.c" -o "${WORK_DIR}/pc-host" ${pc_flags})
step("run the pkg-config host" "${WORK_DIR}/pc-host")
set(pc_output "${step_output}")

foreach(output IN ITEMS "${cmake_output}" "${pc_output}")
  if(NOT output MATCHES "^driver 2\\.00, 10 channels offline, r = 1\\.000000")
    message(FATAL_ERROR "unexpected host output: ${output}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "both hosts ran from ${prefix}: ${cmake_output}")
