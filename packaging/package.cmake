# The Debian package: cpack -G DEB in the build folder (scripts/package).
# The libraries' packages come from dpkg-shlibdeps (Qt, PROJ, and GEOS,
# minizip and libdeflate for the KMZ: libgeos-c1v5, libminizip1,
# libdeflate0 on Debian 12); the programs the window runs and the data PROJ
# reads are named here.
set(CPACK_PACKAGE_NAME marovin)
set(CPACK_PACKAGE_VENDOR "Marovin")
set(CPACK_PACKAGE_CONTACT "${MAROVIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "seismic survey points to KML for an earth viewer")
set(CPACK_PACKAGE_DESCRIPTION "Marovin reads the coordinates of survey points from the trace headers of a
SEG-Y or SU seismic file, or from an XY text file, converts them from a
national or projected system (UTM, Lambert, Swiss, Belgian) to WGS84 with
PROJ, writes them as a KML document and opens it in the desktop's earth
viewer.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY marovin)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped, and its folders opened to all, after staging (staged.cmake).
set(CPACK_MAROVIN_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/staged.cmake)
# The window needs a Qt platform plugin to show at all; xdg-open opens the
# KML file; PROJ's data describes the coordinate systems.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils, proj-data")
# The layout was drawn for Liberation Sans; an earth viewer opens the KML.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "marble")
include(CPack)
