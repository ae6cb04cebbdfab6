# Which C library randrange links, and how.
#
#   default                  a static-pie against musl, found for the target's multiarch
#                            triplet (Debian: musl-dev); without it, a static-pie against the
#                            system C library
#   -DRANDRANGE_MUSL=OFF     a static-pie against the system C library even where musl is there
#   -DRANDRANGE_STATIC=OFF   a dynamic PIE against the system C library, for distributions
#
# Afterwards randrange_libc is musl, static or dynamic, how it was found and linked;
# randrange_libc_name is glibc, musl or unknown, asked of the headers; randrange_libc_archive is the libc.a a
# static build embeds; and randrange_link_libc(target) gives a target the same C library, so
# that a test can compute what the binary's own generator draws.

include(CheckLinkerFlag)

option(RANDRANGE_STATIC "Link randrange as a static position-independent executable" ON)
option(RANDRANGE_MUSL "Link the static randrange against musl where it is installed" ON)

# The compiler as the build runs it: with the word after a launcher given in CXX ("ccache
# g++"), the target and sysroot of a cross toolchain, and the caller's flags, such as -m32,
# which all change its answers.
set(randrange_compiler ${CMAKE_CXX_COMPILER})
if(CMAKE_CXX_COMPILER_ARG1)
  separate_arguments(arg1 UNIX_COMMAND "${CMAKE_CXX_COMPILER_ARG1}")
  list(APPEND randrange_compiler ${arg1})
endif()
if(CMAKE_CXX_COMPILER_TARGET)
  list(APPEND randrange_compiler "--target=${CMAKE_CXX_COMPILER_TARGET}")
endif()
if(CMAKE_SYSROOT)
  list(APPEND randrange_compiler "--sysroot=${CMAKE_SYSROOT}")
endif()
separate_arguments(caller_flags UNIX_COMMAND "${randrange_caller_flags}")
list(APPEND randrange_compiler ${caller_flags})

# Asks the compiler for a path or name it knows, as -print-file-name and friends print it.
function(randrange_ask_compiler var)
  execute_process(COMMAND ${randrange_compiler} ${ARGN}
    OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  set(${var} "${out}" PARENT_SCOPE)
endfunction()

set(randrange_libc dynamic)
if(RANDRANGE_STATIC AND RANDRANGE_MUSL)
  # Debian installs musl for x86_64-linux-gnu as x86_64-linux-musl, arm-linux-gnueabihf as
  # arm-linux-musleabihf, mips64el-linux-gnuabi64 as mips64el-linux-musl, and so on. Without a
  # Linux triplet there is nowhere to look: /usr/include itself holds the system's headers.
  randrange_ask_compiler(triplet -print-multiarch)
  # clang 19 no longer answers that; a cross toolchain's target, or CMake's own look at the
  # compiler's library folders, does.
  if(NOT triplet)
    set(triplet "${CMAKE_CXX_COMPILER_TARGET}")
  endif()
  if(NOT triplet)
    set(triplet "${CMAKE_LIBRARY_ARCHITECTURE}")
  endif()
  set(missing "")
  if(triplet MATCHES "^[a-z0-9_]+-linux-[a-z0-9_]+$")
    string(REGEX REPLACE "-linux-gnu(abi64)?" "-linux-musl" musl_triplet "${triplet}")
    set(musl_include "${CMAKE_SYSROOT}/usr/include/${musl_triplet}")
    set(musl_lib "${CMAKE_SYSROOT}/usr/lib/${musl_triplet}")
    find_path(RANDRANGE_MUSL_INCLUDE stdio.h PATHS "${musl_include}"
      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH DOC "musl's headers")
    find_path(RANDRANGE_MUSL_LIB libc.a PATHS "${musl_lib}"
      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH DOC "musl's libc.a and start files")
    if(NOT RANDRANGE_MUSL_INCLUDE OR NOT RANDRANGE_MUSL_LIB OR
       NOT EXISTS "${RANDRANGE_MUSL_LIB}/rcrt1.o")
      set(missing "musl for ${triplet} not found in ${musl_include} and ${musl_lib} "
        "(Debian package musl-dev)")
    endif()
  else()
    set(missing "the compiler names no Linux multiarch triplet ('${triplet}') to look for musl by")
  endif()
  # The compiler's own start files and runtime, which a musl link names one by one. A name it
  # does not know comes back bare.
  if(NOT missing)
    randrange_ask_compiler(gcc_include -print-file-name=include)
    randrange_ask_compiler(crtbegin -print-file-name=crtbeginS.o)
    randrange_ask_compiler(crtend -print-file-name=crtendS.o)
    randrange_ask_compiler(libgcc -print-libgcc-file-name)
    randrange_ask_compiler(libgcc_eh -print-file-name=libgcc_eh.a)
    # An empty answer is no answer.
    foreach(name IN ITEMS gcc_include crtbegin crtend libgcc libgcc_eh)
      if(NOT IS_ABSOLUTE "${${name}}" OR NOT EXISTS "${${name}}")
        set(missing "the compiler does not know where its ${name} is ('${${name}}')")
        break()
      endif()
    endforeach()
  endif()
  if(missing)
    message(STATUS "randrange: ${missing}; linking a static-pie against the system C library")
  else()
    set(randrange_libc musl)
  endif()
endif()
if(RANDRANGE_STATIC AND NOT randrange_libc STREQUAL "musl")
  check_linker_flag(CXX -static-pie have_static_pie)
  if(have_static_pie)
    set(randrange_libc static)
  else()
    message(STATUS "randrange: the toolchain cannot link -static-pie; linking a dynamic PIE")
  endif()
endif()
set(randrange_libc_archive "")
if(randrange_libc STREQUAL "musl")
  set(randrange_libc_archive "${RANDRANGE_MUSL_LIB}/libc.a")
elseif(randrange_libc STREQUAL "static")
  randrange_ask_compiler(randrange_libc_archive -print-file-name=libc.a)
  file(REAL_PATH "${randrange_libc_archive}" randrange_libc_archive)
else()
  include(CheckPIESupported)
  check_pie_supported()
endif()

# Which C library that is, asked of its own headers, whatever the path it was found by: glibc
# names itself; musl does not, but its headers mark each type they have defined.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_QUIET ON)
if(randrange_libc STREQUAL "musl")
  set(CMAKE_REQUIRED_FLAGS "-nostdinc -isystem ${RANDRANGE_MUSL_INCLUDE} -isystem ${gcc_include}")
endif()
check_cxx_source_compiles("#include <stdio.h>
#if !defined(__GLIBC__) || defined(__UCLIBC__)
#error not glibc
#endif
int main() { return 0; }" randrange_has_glibc)
check_cxx_source_compiles("#include <stdio.h>
#if defined(__GLIBC__) || defined(__UCLIBC__) || defined(__BIONIC__) || !defined(__DEFINED_FILE)
#error not musl
#endif
int main() { return 0; }" randrange_has_musl)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_QUIET)
if(randrange_has_glibc)
  set(randrange_libc_name glibc)
elseif(randrange_has_musl)
  set(randrange_libc_name musl)
else()
  set(randrange_libc_name unknown)
endif()
set(linking "a static-pie")
if(randrange_libc STREQUAL "dynamic")
  set(linking "a dynamic PIE")
endif()
message(STATUS "randrange: C library: ${randrange_libc_name}, ${linking}")
set(RANDRANGE_LINKED "${randrange_libc}" CACHE INTERNAL "How randrange is linked: musl, static or dynamic")
set(RANDRANGE_LIBC "${randrange_libc_name}" CACHE INTERNAL "The C library randrange is linked with")

# Compiles and links target against the C library chosen above.
function(randrange_link_libc target)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(randrange_libc STREQUAL "musl")
    # The compiler's own headers (stddef.h and the like) after musl's, as musl-gcc has them.
    target_compile_options(${target} PRIVATE -nostdinc
      "SHELL:-isystem ${RANDRANGE_MUSL_INCLUDE}" "SHELL:-isystem ${gcc_include}")
    # Debian's musl-gcc ignores -static-pie, so the start files are named here, in the order
    # the compiler driver would put them. ARM's unwinding tables want the personality routine
    # in libgcc_eh, and libgcc calls back into the C library, hence one group of the three.
    target_link_options(${target} PRIVATE -nostdlib -static-pie LINKER:--no-dynamic-linker
      ${RANDRANGE_MUSL_LIB}/rcrt1.o ${RANDRANGE_MUSL_LIB}/crti.o ${crtbegin})
    target_link_libraries(${target} PRIVATE -Wl,--start-group ${randrange_libc_archive}
      ${libgcc} ${libgcc_eh} -Wl,--end-group ${crtend} ${RANDRANGE_MUSL_LIB}/crtn.o)
  else()
    # Only glibc fortifies, and only with the optimiser. A level the caller chose stays.
    if(randrange_libc_name STREQUAL "glibc" AND NOT randrange_caller_flags MATCHES "_FORTIFY_SOURCE")
      target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
    endif()
    if(randrange_libc STREQUAL "static")
      # GCC's ARM and MIPS drivers leave this out of -static-pie, and the result would ask
      # for a loader it does not need.
      target_link_options(${target} PRIVATE -static-pie LINKER:--no-dynamic-linker)
    endif()
  endif()
endfunction()
