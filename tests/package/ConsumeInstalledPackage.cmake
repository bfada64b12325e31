# Installs the built SDK into a scratch prefix, then configures, builds and
# runs a small host project against it, with the README's integration example.
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
    endif()
    set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${WORK_DIR}/prefix)
# The host is built by the SDK's compiler; a sanitized SDK needs its runtime.
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G Ninja
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Debug
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZER_LINK_FLAGS}"
    -DKESVOR_INTEGRATION_EXAMPLE=${INTEGRATION_EXAMPLE})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/host)
if(NOT last_output MATCHES "Kesvor 1 host ok")
    message(FATAL_ERROR "unexpected output from the host: ${last_output}")
endif()

# The README shows the integration example that was just built, word for word.
file(READ ${INTEGRATION_EXAMPLE} example)
file(READ ${README} readme)
string(FIND "${readme}" "${example}" found)
if(found EQUAL -1)
    message(FATAL_ERROR "README.md does not show ${INTEGRATION_EXAMPLE} as it is")
endif()
