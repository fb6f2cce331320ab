# SPDX-License-Identifier: MIT
# cmake -DDB=<path> -DMAKEDB=<tool> -P EnsureDatabase.cmake
# Creates an empty note database at DB when none is there; an existing one is left alone.
if(NOT EXISTS "${DB}")
    execute_process(COMMAND "${MAKEDB}" "${DB}" COMMAND_ERROR_IS_FATAL ANY)
endif()
