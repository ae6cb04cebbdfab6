# Read by cpack before each generator: packages carry the time of the last commit, not of the
# build, unless SOURCE_DATE_EPOCH says otherwise.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${CPACK_RANDRANGE_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT epoch MATCHES "^[0-9]+$")
    # A source tree without its history: the newest of what it is built from.
    file(TIMESTAMP "${CPACK_RANDRANGE_SOURCE_DIR}/CMakeLists.txt" epoch "%s" UTC)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
