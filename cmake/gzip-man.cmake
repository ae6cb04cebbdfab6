# Run by CPack on its staging tree: Debian ships manual pages gzipped.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER pages INCLUDE REGEX "/share/man/man[1-9]/[^/]+\\.[1-9]$")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9 -n -f "${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${page}")
  endif()
endforeach()
