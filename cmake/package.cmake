# Installation and the Debian and RPM packages of randrange.
#
# The packages are reproducible: cpack defaults SOURCE_DATE_EPOCH to the date of the release,
# and the .deb is re-packed by dpkg-deb, which keeps neither the build time nor the umask.

# Directories that install creates, whatever the umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME randrange)
set(CPACK_PACKAGE_VENDOR "The randrange developers")
set(CPACK_PACKAGE_CONTACT "randrange maintainers <maintainers@users.noreply.c-seed-521c1937.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "randrange prints one pseudo-random integer N with begin <= N < end as the
line 'random N', for shell scripts that need a die roll, a random index or
a retry delay. A run costs little more than starting a process. It rejects
malformed or out-of-range bounds with exit status 255, and reports a failed
write or an unreadable clock with exit status 1. The generator is seeded
from the clock in whole seconds: it is not for anything that must be
secret.")

# The copyright file covers the C library code that a static build carries.
set(libc_copyright "")
set(libc_license "")
set(libc_comment "")
set(libc_license_text "")
set(static_libc "")
if(NOT randrange_libc STREQUAL "dynamic")
  set(static_libc "${randrange_libc_name}")
endif()
if(static_libc STREQUAL "musl")
  string(APPEND libc_copyright "           2005-2020 Rich Felker and other contributors (musl)\n")
  set(libc_comment "\n .\n It is linked statically against musl, the C library, which is under the\n Expat licence too.")
elseif(static_libc STREQUAL "glibc")
  string(APPEND libc_copyright "           1991-2022 Free Software Foundation, Inc. (the GNU C Library)\n")
  set(libc_license " and LGPL-2.1+")
  set(libc_comment "\n .\n It is linked statically against the GNU C Library.")
  set(libc_license_text "
License: LGPL-2.1+
 The GNU C Library is free software; you can redistribute it and/or modify it
 under the terms of the GNU Lesser General Public License as published by the
 Free Software Foundation; either version 2.1 of the License, or (at your
 option) any later version.
 .
 On Debian systems, the complete text of the GNU Lesser General Public License
 version 2.1 can be found in '/usr/share/common-licenses/LGPL-2.1'.
")
elseif(static_libc)
  set(libc_comment "\n .\n It is linked statically against the system's C library, under that library's\n own licence.")
endif()
configure_file(doc/copyright.in copyright @ONLY)

# Debian's policy (4.7.0 on) asks a package that links a library statically to name its source in
# Static-Built-Using, so that it is rebuilt with that library, and in Built-Using as well where
# the library's licence asks for its source to stay available: glibc's LGPL does, musl's does not.
set(CPACK_RANDRANGE_BUILT_USING_FIELDS Static-Built-Using)
if(randrange_libc_name STREQUAL "glibc")
  list(APPEND CPACK_RANDRANGE_BUILT_USING_FIELDS Built-Using)
endif()
set(CPACK_RANDRANGE_BUILT_USING "")
if(randrange_libc_archive)
  # dpkg knows a file only by its real path.
  execute_process(COMMAND dpkg-query -S "${randrange_libc_archive}"
    OUTPUT_VARIABLE owner OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE ": /.*" "" owner "${owner}")
  if(owner)
    execute_process(COMMAND dpkg-query -W "-f=\${source:Package} (= \${source:Version})" ${owner}
      OUTPUT_VARIABLE CPACK_RANDRANGE_BUILT_USING OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()

install(TARGETS randrange RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES doc/randrange.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES doc/changelog ${CMAKE_CURRENT_BINARY_DIR}/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_STRIP_FILES ON)
set(CPACK_RANDRANGE_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_RANDRANGE_LIBC "${randrange_libc}")
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_SOURCE_DIR}/cmake/cpack-options.cmake")
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/cpack-stage.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/deb-repack.cmake")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(randrange_libc STREQUAL "dynamic")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
# RPM capitalises its summaries; Debian does not.
set(CPACK_RPM_PACKAGE_SUMMARY "Print a pseudo-random integer from a half-open range")
# The build's time and host are the release's date, as in the .deb, and nobody's machine.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The file system package owns these; a package that claims them conflicts with it.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/share/man /usr/share/man/man1 /usr/share/doc)

# The source package: cmake/cpack-options.cmake stages what it holds.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}")

include(CPack)
