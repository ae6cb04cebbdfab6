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

# A source package holds the files the release tracks, and nothing of a build or a checkout:
# they are staged with the release's date and with modes that no umask chose.
if(CPACK_SOURCE_INSTALLED_DIRECTORIES)
  execute_process(COMMAND git -C "${CPACK_RANDRANGE_SOURCE_DIR}" ls-files
    OUTPUT_VARIABLE tracked RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT tracked)
    message(FATAL_ERROR "a source package is made from a git checkout, and ${CPACK_RANDRANGE_SOURCE_DIR} is none")
  endif()
  string(STRIP "${tracked}" tracked)
  string(REPLACE "\n" ";" tracked "${tracked}")
  set(stage "${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/source-tree")
  file(REMOVE_RECURSE "${stage}")
  foreach(path IN LISTS tracked)
    get_filename_component(dir "${path}" DIRECTORY)
    file(COPY "${CPACK_RANDRANGE_SOURCE_DIR}/${path}" DESTINATION "${stage}/${dir}")
  endforeach()
  execute_process(COMMAND chmod -R u=rwX,go=rX "${stage}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND find "${stage}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
    COMMAND_ERROR_IS_FATAL ANY)
  set(CPACK_INSTALLED_DIRECTORIES "${stage};/")
  set(CPACK_IGNORE_FILES "")
endif()

# The .deb alone is re-packed after CPack has built it.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_POST_BUILD_SCRIPTS "")
endif()

# A static program's .deb rightly depends on nothing, and CPack says so as if it were an
# oversight; no setting says otherwise (any value becomes a Depends field), so that one line is
# left out.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_DEBIAN_PACKAGE_DEPENDS
    AND NOT CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
  function(message)
    if(NOT ARGV1 MATCHES "^CPACK_DEBIAN_PACKAGE_DEPENDS not set")
      _message(${ARGV})
    endif()
  endfunction()
endif()
