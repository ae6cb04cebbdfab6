# Installation and the Debian and RPM packages of randrange.
#
# The packages are reproducible: cpack defaults SOURCE_DATE_EPOCH to the date of the release,
# and the .deb is re-packed by dpkg-deb, which keeps neither the build time nor the umask.


set(CPACK_PACKAGE_NAME randrange)
set(CPACK_PACKAGE_VENDOR "The randrange developers")
set(CPACK_PACKAGE_CONTACT "randrange maintainers <maintainers@users.noreply.c-seed-521c1937.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "randrange prints one pseudo-random integer N with begin <= N < end as the
line 'random N', for shell scripts that need a die roll, a coin toss or a
random index. A run costs little more than starting a process. It rejects
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

# The directories that install creates are readable by all, whatever the umask of whoever
# installs: CMake makes them with mkdir, which the umask masks, so the ones that were not there
# before are opened up afterwards. Folders that were there already keep their modes.
set(install_dirs ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_DOCDIR})
install(CODE "
  set(randrange_new_dirs \"\")
  foreach(dir IN ITEMS ${install_dirs})
    set(path \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dir}\")
    while(path AND NOT EXISTS \"\${path}\")
      list(APPEND randrange_new_dirs \"\${path}\")
      get_filename_component(path \"\${path}\" DIRECTORY)
    endwhile()
  endforeach()")
install(TARGETS randrange RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES doc/randrange.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES doc/changelog ${CMAKE_CURRENT_BINARY_DIR}/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(CODE "
  foreach(dir IN LISTS randrange_new_dirs)
    file(CHMOD \"\${dir}\" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
      GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()")

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

# The RPM's changelog is doc/changelog's, every entry, newest first, in RPM's form: the date
# and author line first, then each item.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS doc/changelog)
file(READ doc/changelog debian_changelog)
# A semicolon or a bracket in the text would cut or join the lines of a CMake list.
string(REPLACE ";" "<semicolon>" debian_changelog "${debian_changelog}")
string(REPLACE "[" "<open>" debian_changelog "${debian_changelog}")
string(REPLACE "]" "<close>" debian_changelog "${debian_changelog}")
string(REPLACE "\n" ";" debian_changelog "${debian_changelog}")
set(rpm_changelog "")
set(items "")
foreach(line IN LISTS debian_changelog)
  if(line MATCHES "^randrange \\(([^)]+)\\)")
    set(version "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^  \\* (.*)")
    string(APPEND items "- ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^    (.*)")
    string(APPEND items "  ${CMAKE_MATCH_1}\n")
  elseif(line MATCHES "^ -- (.*>)  ([A-Z][a-z][a-z]), ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
    if(rpm_changelog)
      string(APPEND rpm_changelog "\n")
    endif()
    string(APPEND rpm_changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} "
      "${CMAKE_MATCH_5} ${CMAKE_MATCH_1} - ${version}-1\n${items}")
    set(items "")
  endif()
endforeach()
string(REPLACE "<semicolon>" ";" rpm_changelog "${rpm_changelog}")
string(REPLACE "<open>" "[" rpm_changelog "${rpm_changelog}")
string(REPLACE "<close>" "]" rpm_changelog "${rpm_changelog}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/rpm-changelog "${rpm_changelog}")
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_CURRENT_BINARY_DIR}/rpm-changelog)

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
# CPack's spec always has a Group line; this is what rpm itself records where there is none,
# and what rpmlint takes for none (doc/rpmlint.toml).
set(CPACK_RPM_PACKAGE_GROUP Unspecified)
# The files go where the package says, nowhere else.
set(CPACK_PACKAGE_RELOCATABLE OFF)
# Directories readable by all, whatever the umask of whoever builds.
set(CPACK_RPM_DEFAULT_DIR_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The licence stays installed where documentation is left out (rpm --excludedocs).
set(CPACK_RPM_USER_FILELIST "%license /usr/${CMAKE_INSTALL_DOCDIR}/copyright")
# A static program needs nothing of the system, not even the dynamic loader that rpm's
# dependency generator names for any PIE (rtld(GNU_HASH)); a dynamic one keeps what it finds.
if(NOT randrange_libc STREQUAL "dynamic")
  set(CPACK_RPM_PACKAGE_AUTOREQ no)
endif()
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
