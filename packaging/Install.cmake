# Installing the demo like a Linux program, and its Debian package.
#
#   bin/lightning                 the launcher: runs the program from its data folder
#   libexec/lightning/            the program and the helper programs it runs
#   share/lightning/DATA/         the font bitmap and its licence
#   share/applications/lightning.desktop, share/icons/hicolor/NxN/apps/lightning.png
#   share/doc/lightning/          copyright (ours and the font's), changelog.gz
#
# The program finds its font as DATA/font.bmp relative to the working
# directory; the launcher makes that hold wherever the tree lies.

# Everything that goes into libexec/lightning/.
set(lightning_programs lightning_app lightning_guardian)
install(TARGETS ${lightning_programs} RUNTIME DESTINATION libexec/lightning)

install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/lightning.sh DESTINATION bin RENAME lightning)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/DATA DESTINATION share/lightning)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lightning.desktop DESTINATION share/applications)

# packaging/icons/lightning-N.png, made by tools/make_icon.sh.
file(GLOB icons ${CMAKE_CURRENT_LIST_DIR}/icons/lightning-*.png)
foreach(icon ${icons})
  string(REGEX REPLACE ".*-([0-9]+)\\.png$" "\\1" size ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME lightning.png)
endforeach()

# Debian's places for the licences and the change log; the change log is
# stored compressed without a time stamp, so that equal sources make equal
# packages.
set(doc ${CMAKE_BINARY_DIR}/doc)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE project_licence)
file(READ ${PROJECT_SOURCE_DIR}/DATA/FONT-LICENSE.txt font_licence)
file(CONFIGURE OUTPUT ${doc}/copyright CONTENT "${project_licence}\n${font_licence}")
set(changelog ${CMAKE_CURRENT_LIST_DIR}/changelog)
file(STRINGS ${changelog} newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^lightning \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()
execute_process(COMMAND gzip -9 -n -c INPUT_FILE ${changelog} OUTPUT_FILE ${doc}/changelog.gz
  COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/DATA/FONT-LICENSE.txt ${changelog})
install(FILES ${doc}/copyright ${doc}/changelog.gz DESTINATION share/doc/lightning)

# cpack -G DEB. GL and GLU are opened by name at run time, so
# dpkg-shlibdeps sees only SDL2 and the C and C++ libraries: the packages
# holding libGL.so.1 and libGLU.so.1 are named here. Mesa's GLX with its
# software renderer is recommended so that the demo runs on any X server,
# a virtual one included, when no other GL driver serves it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lightning)
set(CPACK_PACKAGE_VENDOR "the lightning authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen OpenGL lightning bolt demo")
set(CPACK_PACKAGE_DESCRIPTION
  "Every frame draws three coloured axes and a new jagged lightning bolt made
by recursive random midpoint displacement. The keys turn the scene, tune the
bolt's scatter, damping and detail while it runs, and freeze one bolt; a
help text in Russian names them. The screen is switched to 1024x768 while
the demo runs.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(LIGHTNING_PACKAGE_MAINTAINER "the lightning authors <lightning@example.org>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LIGHTNING_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libglu1-mesa")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libglx-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Cross-built for ARM (cmake/debian-cross.cmake): the target's architecture,
# and dpkg-shlibdeps run as for that architecture (its objdump, its library
# folders) against the target's packages in the sysroot, whose dpkg
# database knows their files and symbols.
if(LIGHTNING_DEBIAN_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${LIGHTNING_DEBIAN_ARCH})
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_SYSROOT}/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${CMAKE_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackTarget.cmake)
  file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
    "set(ENV{DEB_HOST_ARCH} ${LIGHTNING_DEBIAN_ARCH})\n"
    "set(ENV{DPKG_ADMINDIR} ${CMAKE_SYSROOT}/var/lib/dpkg)\n")
endif()
include(CPack)
