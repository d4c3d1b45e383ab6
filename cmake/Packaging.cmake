# The Debian package: what `cmake --install` adds beside the programs (man pages,
# bash completion, AppStream metadata, copyright and changelog), and CPack's DEB
# generator, so that `cmake --build BUILD --target package` writes
# BUILD/tallowby_<version>_<arch>.deb.
#
# The package is built from a Release build of its own for /usr with Debian's build
# flags, the preset "deb" in CMakePresets.json:
#   cmake --preset deb && cmake --build --preset deb    # build-deb/tallowby_*.deb

set(tallowby_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tallowby)

# Debian wants man pages and changelogs compressed with gzip -9, without the name and
# time stamp that would make each build's bytes differ.
find_program(TALLOWBY_GZIP gzip REQUIRED)
function(tallowby_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "\"$1\" -9nc \"$2\" > \"$3\"" sh ${TALLOWBY_GZIP} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
endfunction()

set(tallowby_packaged_dir ${CMAKE_BINARY_DIR}/packaging)
set(man_pages tallowby-cli)
if(TALLOWBY_BUILD_UI)
  list(APPEND man_pages tallowby)
endif()
set(compressed)
foreach(page ${man_pages})
  tallowby_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${tallowby_packaged_dir}/${page}.1.gz)
  list(APPEND compressed ${tallowby_packaged_dir}/${page}.1.gz)
  install(FILES ${tallowby_packaged_dir}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The package's version has no Debian revision (a native package), so Debian policy
# names its changelog changelog.gz, not changelog.Debian.gz.
tallowby_gzip(${PROJECT_SOURCE_DIR}/docs/debian/changelog ${tallowby_packaged_dir}/changelog.gz)
list(APPEND compressed ${tallowby_packaged_dir}/changelog.gz)
add_custom_target(tallowby_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${tallowby_packaged_dir}/changelog.gz
              ${PROJECT_SOURCE_DIR}/docs/debian/copyright
        DESTINATION ${tallowby_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/tallowby-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
if(TALLOWBY_BUILD_UI)
  install(FILES ${PROJECT_SOURCE_DIR}/ui/example.corvane.tallowby.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# CPack: one binary package, its dependencies found from the programs' libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallowby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane Software")
set(CPACK_PACKAGE_CONTACT "Corvane Software <support@corvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Software <support@corvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "export a Notes address book to a spreadsheet")
set(CPACK_PACKAGE_DESCRIPTION
"Tallowby reads a Notes address book, exported from Notes as DXL (the XML form
of a Notes database), lists its contacts and writes them to a spreadsheet:
one bold header row and one row of 39 columns per person document.

The desktop program tallowby scans the book into a tree of contacts, shows
each contact's fields and exports them; the command-line tool tallowby-cli
does the same scan and export for scripts. The export writes an Excel 2.1
worksheet (.xls), an Excel workbook (.xlsx) or a UTF-8 CSV file, and never
changes the address book.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvane.example")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-open opens the exported file (the link in the conversion window, --open).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
