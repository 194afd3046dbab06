# The Debian package made by `cpack -G DEB`: the installation above under /usr, with the
# libraries' packages found by dpkg-shlibdeps (from dpkg-dev) as dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnotile)
set(CPACK_PACKAGE_VENDOR "The Varnotile developers")
set(CPACK_PACKAGE_CONTACT "The Varnotile developers <maintainers@varnotile.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "view, chart and correct numeric data in delimited text files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Varnotile opens delimited text files of measured values (.csv, .txt, .prn, .dat),\n\
finds where the data begin and which lines name and label the columns, and shows\n\
the table beside a chart of every numeric column. Cells can be edited with undo,\n\
rows and columns deleted, columns modified, the table saved with another delimiter\n\
and the chart printed or exported.\n\
.\n\
The command-line companion varnotile-cli inspects, converts and renders the same\n\
files with the same rules.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins (X11, Wayland) at run time, so no library dependency names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The help page opens through the desktop's web browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
