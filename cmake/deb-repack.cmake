# Run by cpack after it has built its packages: re-packs the .deb with dpkg-deb, which takes its
# times from SOURCE_DATE_EPOCH and its modes from neither the umask nor the build user (CPack's
# own ar members carry the umask), and adds the Built-Using fields that CPack has no variable for.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(CHMOD_RECURSE "${tree}" DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  if(CPACK_RANDRANGE_BUILT_USING)
    file(READ "${tree}/DEBIAN/control" control)
    string(STRIP "${control}" control)
    foreach(field IN LISTS CPACK_RANDRANGE_BUILT_USING_FIELDS)
      string(APPEND control "\n${field}: ${CPACK_RANDRANGE_BUILT_USING}")
    endforeach()
    file(WRITE "${tree}/DEBIAN/control" "${control}\n")
  endif()
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
