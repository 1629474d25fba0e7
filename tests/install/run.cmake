# SPDX-License-Identifier: GPL-3.0-or-later
# run(COMMAND...): runs a command of an install check; stops the check with
# the command's output when it fails, and shows that output when it does not.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        string(JOIN " " command ${ARGN})
        message(FATAL_ERROR "${command} failed (${status}):\n${out}")
    endif()
    message(STATUS "${out}")
endfunction()
