# Run by cpack on its staging tree: Debian ships manual pages and changelogs gzipped, and a
# static binary in a Debian package needs its lintian override.
file(GLOB_RECURSE files "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
list(FILTER files INCLUDE REGEX "/share/(man/man[1-9]/[^/]+\\.[1-9]|doc/[^/]+/changelog)$")
foreach(file IN LISTS files)
  execute_process(COMMAND gzip -9 -n -f "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${file}")
  endif()
endforeach()
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_RANDRANGE_LIBC STREQUAL "dynamic")
  set(share "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
  if(NOT IS_DIRECTORY "${share}")
    message(FATAL_ERROR "no share directory at ${share} in the staging tree")
  endif()
  configure_file("${CPACK_RANDRANGE_SOURCE_DIR}/doc/randrange.lintian-overrides"
    "${share}/lintian/overrides/randrange" COPYONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
