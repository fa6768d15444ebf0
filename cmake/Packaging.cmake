# `cpack -G DEB` in a build tree makes an installable Debian package of
# everything `cmake --install` puts in place; dpkg-shlibdeps works out the
# library dependencies.
set(CPACK_PACKAGE_NAME vendrel)
set(CPACK_PACKAGE_VENDOR "The Vendrel developers")
set(CPACK_PACKAGE_CONTACT "The Vendrel developers <dev@vendrel.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Simulate how a carbonate ramp or platform grows")
set(CPACK_PACKAGE_DESCRIPTION
    "Vendrel simulates, in one 2D cross-section, how a carbonate ramp or platform
grows and is buried over geological time: sea level, depth-dependent carbonate
production, diffusive slope transport, basinal sedimentation, block faults and
compaction. It comes with a desktop program and a headless runner.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
# The Python module is built for one Python version (python/CMakeLists.txt);
# its to_xarray() reads the results with xarray and netCDF4.
if(VENDREL_PYTHON_DEPENDS)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VENDREL_PYTHON_DEPENDS}")
    string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", python3-xarray, python3-netcdf4")
endif()
include(CPack)
