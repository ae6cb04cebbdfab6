# Read by cpack before each generator. Packages carry the date of their release, the newest entry
# of doc/changelog, as Debian's do, not that of the build or of a file: a clone, a copy or a
# tarball of one release builds the same bytes. SOURCE_DATE_EPOCH, where set, says otherwise.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  file(STRINGS "${CPACK_RANDRANGE_SOURCE_DIR}/doc/changelog" trailers REGEX "^ -- .*>  ")
  list(GET trailers 0 newest)
  string(REGEX REPLACE "^ -- .*>  " "" date "${newest}")
  execute_process(COMMAND date -u -d "${date}" +%s
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "no date in the newest entry of doc/changelog: '${newest}'")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
