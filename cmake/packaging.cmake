# The Debian package (`make deb`, or `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr:
# the data folder is compiled in, so the package installs under the prefix the build was made for).
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE LUMORA_DEB_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT LUMORA_DEB_ARCH)
  set(LUMORA_DEB_ARCH amd64)
endif()

execute_process(COMMAND date -R -u -d "${LUMORA_RELEASE_DATE}" OUTPUT_VARIABLE LUMORA_DEB_CHANGELOG_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(LUMORA_DEB_MAINTAINER "Lumora maintainers <maintainers@users.noreply.c-seed-8b943072.example>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Lumora)
set(CPACK_PACKAGE_CONTACT "${LUMORA_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prayer times and countdown for Indonesia")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Lumora shows the next prayer and its countdown in the panel, the day's\n"
    "schedule for the nearest city in a window and in a desktop widget, and\n"
    "reminds you before, at and after each prayer time. Schedules come from a\n"
    "schedule service or are computed locally.")
set(CPACK_DEBIAN_FILE_NAME "lumora_${PROJECT_VERSION}_${LUMORA_DEB_ARCH}.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${LUMORA_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the linker cannot see: the fonts the painters ask for by name and the plugins Qt loads at run time
# (the X11 platform, GeoClue positioning); the sound plugins come with libqt6multimedia6 itself.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-comfortaa, fonts-jetbrains-mono, qt6-qpa-plugins, libqt6positioning6-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "geoclue-2.0, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The changelog Debian policy asks for is added to the package only, not to every `cmake --install`.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/deb-docs.cmake.in ${PROJECT_BINARY_DIR}/packaging/deb-docs.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_BINARY_DIR}/packaging/deb-docs.cmake)

include(CPack)
