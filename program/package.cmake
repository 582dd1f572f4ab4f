# The Debian package, recapitalizer_<version>_<arch>.deb: `cpack -G DEB` in the build folder,
# or the package target. It holds what the install rules install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME recapitalizer)
set(CPACK_PACKAGE_VENDOR Vantrel)
set(CPACK_PACKAGE_CONTACT "Vantrel <support@vantrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Change the letter case of a column's values in an Oracle database")
# Debian's policy wants description lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Quillmark Column Recapitalizer for Database Tables rewrites every value of one
column of a table, in place, to UPPER CASE, lower case, Proper Case or Sentence
case, through ODBC, with a journal of every run for undo. It has two windows
and a command line.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
# The libraries the program links, as dpkg-shlibdeps finds them (among them the ODBC driver
# manager, Debian 12's libodbc2, which loads the database's own driver), and Qt's SQLite
# plugin, which Qt loads at run time for the run journals. unixodbc brings odbcinst.ini and
# the tool that registers a driver in it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unixodbc")
include(CPack)
