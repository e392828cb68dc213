# Finding what the build needs: a missing dependency stops the configure step and names the Debian
# package that brings it (scripts/bootstrap.sh installs them all).

# kel_require_package(<find_package name> <Debian package> [COMPONENTS ...])
macro(kel_require_package name debian)
  find_package(${name} QUIET ${ARGN})
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} was not found: install the Debian package ${debian} (or run scripts/bootstrap.sh)")
  endif()
endmacro()

# kel_require_pkgconfig(<prefix> <pkg-config module> <Debian package>): defines PkgConfig::<prefix>.
macro(kel_require_pkgconfig prefix module debian)
  kel_require_package(PkgConfig pkg-config)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "${module} was not found by pkg-config: install the Debian package ${debian} (or run scripts/bootstrap.sh)")
  endif()
endmacro()
