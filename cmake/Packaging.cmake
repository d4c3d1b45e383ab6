# The Debian packages: what `cmake --install` adds beside the programs (man pages,
# bash completion, copyright and changelog), the strip Debian wants, and CPack's
# DEB generator, so that `cmake --build BUILD --target package` writes two binary
# packages from one build:
#   BUILD/tallowby-cli_<version>_<arch>.deb  the command-line tool (component cli):
#       no Qt, so a server that exports books pulls in no window system;
#   BUILD/tallowby_<version>_<arch>.deb      the desktop program (component desktop),
#       its manual, icons, menu entry, DXL file type and AppStream metadata; it
#       depends on tallowby-cli of the same version.
#
# The packages are built from a Release build of their own for /usr with Debian's
# build flags, the preset "deb" in CMakePresets.json:
#   cmake --preset deb && cmake --build --preset deb    # build-deb/*.deb
# It compiles without -g: the programs are stripped and no debug package is made,
# and debug information is what would record the build folder (through the
# build-id), so the packages' bytes do not depend on the folder or the generator.
# `cmake --install BUILD --component cli` (or desktop) installs one package's files.

set(tallowby_components cli)
if(TALLOWBY_BUILD_UI)
  list(APPEND tallowby_components desktop)
endif()
set(tallowby_cli_package tallowby-cli)
set(tallowby_desktop_package tallowby)

# Debian wants man pages and changelogs compressed with gzip -9, without the name and
# time stamp that would make each build's bytes differ. Make, unlike Ninja, does not
# create the folder of a command's output, so the folder is made here.
find_program(TALLOWBY_GZIP gzip REQUIRED)
set(tallowby_packaged_dir ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${tallowby_packaged_dir})
set(compressed)
function(tallowby_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "\"$1\" -9nc \"$2\" > \"$3\"" sh ${TALLOWBY_GZIP} ${source} ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  set(compressed ${compressed} ${output} PARENT_SCOPE)
endfunction()

# The package's version has no Debian revision (a native package), so Debian policy
# names its changelog changelog.gz, not changelog.Debian.gz. Each package carries the
# changelog and the copyright in its own documentation folder.
tallowby_gzip(${PROJECT_SOURCE_DIR}/docs/debian/changelog ${tallowby_packaged_dir}/changelog.gz)
foreach(component ${tallowby_components})
  set(package ${tallowby_${component}_package})
  tallowby_gzip(${PROJECT_SOURCE_DIR}/docs/man/${package}.1 ${tallowby_packaged_dir}/${package}.1.gz)
  install(FILES ${tallowby_packaged_dir}/${package}.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  install(FILES ${tallowby_packaged_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/docs/debian/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
add_custom_target(tallowby_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/tallowby-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)

# `cmake --install --strip` and CPack strip the programs with plain `strip`, which
# keeps the .comment and .note sections; Debian's dh_strip removes them too. (Each
# package's program is named as the package.)
foreach(component ${tallowby_components})
  set(program ${tallowby_${component}_package})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT ${component})
endforeach()

# CPack: one package per component, each one's dependencies found from its
# program's libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${tallowby_components})
set(CPACK_PACKAGE_NAME tallowby)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane Software")
set(CPACK_PACKAGE_CONTACT "Corvane Software <support@corvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Software <support@corvane.example>")
set(CPACK_DEBIAN_PACKAGE_SOURCE tallowby)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvane.example")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open opens the exported file: the link in the conversion window, which every
# desktop user meets, and tallowby-cli's --open, which a server never uses (xdg-utils
# recommends X programs, which a server should not get by default).
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "xdg-utils")

set(tallowby_about
"Tallowby reads a Notes address book, exported from Notes as DXL (the XML form
of a Notes database), lists its contacts and writes them to a spreadsheet:
one bold header row and one row of 39 columns per person document. The export
writes an Excel 2.1 worksheet (.xls), an Excel workbook (.xlsx) or a UTF-8 CSV
file, and never changes the address book.")
# CPack puts the first line in front as the synopsis.
set(CPACK_DEBIAN_CLI_PACKAGE_NAME ${tallowby_cli_package})
set(CPACK_DEBIAN_CLI_DESCRIPTION
"export a Notes address book to a spreadsheet (command-line tool)
${tallowby_about}

This package holds the command-line tool tallowby-cli, which scans and exports
address books for scripts and servers without a window system. The desktop
program is in the package tallowby.")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME ${tallowby_desktop_package})
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
"export a Notes address book to a spreadsheet (desktop program)
${tallowby_about}

This package holds the Qt desktop program tallowby, which scans the book into
a tree of contacts, shows each contact's fields and exports them, with its
manual and menu entry. The command-line tool is in the package tallowby-cli.")
# The desktop program's export is tallowby-cli's code, of the same build. Qt loads
# its window-system plugins at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS
    "${tallowby_cli_package} (= ${PROJECT_VERSION}), qt6-qpa-plugins")

set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_SOURCE_GENERATOR "")
# The packages' time stamps come from SOURCE_DATE_EPOCH; without one in the
# environment, cmake/CPackProjectConfig.cmake takes the date of the changelog's
# latest entry, so that two builds of one source give the same bytes.
set(CPACK_TALLOWBY_CHANGELOG ${PROJECT_SOURCE_DIR}/docs/debian/changelog)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake)
include(CPack)
