# The Debian package: `cpack -G DEB` in any build folder gives
# corvane_VERSION_amd64.deb with what the install rules lay out, under /usr
# whatever prefix the build was configured with: the program finds its data
# from its own folder. The programs are stripped (CPACK_STRIP_FILES, with the
# install rules' removal of .comment).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "The Corvane developers")
set(CPACK_PACKAGE_CONTACT ${CORVANE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3-D gravitational simulation of a small galaxy")
# At most 79 characters a line: the package shows each after one space.
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane draws every body of a small galaxy as one pixel on a black window:\n\
free stars in yellow, halo and disk bodies in grey, around a central black\n\
hole. A Japanese settings panel chooses populations, masses, time step, scale\n\
and layout; dragging turns the galaxy; scenes are saved and loaded as text\n\
files. The companion corvane-cli makes, runs, renders and times scenes\n\
without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# The libraries come from dpkg-shlibdeps; Qt loads its display plugin, its
# translations and the panel's Japanese font at run time, unseen by it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
