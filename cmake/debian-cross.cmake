# The part that the ARM toolchain files share (they set `triple` and
# `qemu`). Made for scripts/cross-build.sh, which passes the sysroot:
#   LIGHTNING_SYSROOT  the target's Debian packages, unpacked
# Debian's cross compiler builds against the sysroot, pkg-config reads the
# sysroot's .pc files alone, and the build's programs (the tests, the
# tests' discovery) run under qemu-user with the sysroot as their root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${triple})

set(LIGHTNING_SYSROOT "" CACHE PATH "The target's Debian packages, unpacked (scripts/cross-build.sh)")
if(NOT IS_DIRECTORY "${LIGHTNING_SYSROOT}/usr/lib/${triple}")
  message(FATAL_ERROR "LIGHTNING_SYSROOT holds no ${triple} libraries: '${LIGHTNING_SYSROOT}' "
    "(scripts/cross-build.sh makes one)")
endif()
# try_compile reads this file again, in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LIGHTNING_SYSROOT)
set(CMAKE_SYSROOT ${LIGHTNING_SYSROOT})
set(CMAKE_FIND_ROOT_PATH ${LIGHTNING_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${LIGHTNING_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR} ${LIGHTNING_SYSROOT}/usr/lib/${triple}/pkgconfig:${LIGHTNING_SYSROOT}/usr/share/pkgconfig)

# No binfmt handler is needed: the emulator is named wherever a program of
# the build is run.
find_program(LIGHTNING_QEMU ${qemu} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LIGHTNING_QEMU} -L ${LIGHTNING_SYSROOT})
