# What `cmake --install` puts besides the programs (the manual pages, the package's documents),
# and `cpack -G DEB`: orq_VERSION_ARCH.deb, its Depends worked out by dpkg-shlibdeps from the
# libraries the programs link.

# Manual pages go compressed, as Debian keeps them (gzip -n: no name or time stamp inside).
set(orq_man_pages ${PROJECT_SOURCE_DIR}/man/orq-cli.1)
if(ORQ_GUI)
    list(APPEND orq_man_pages ${PROJECT_SOURCE_DIR}/man/orq.1)
endif()
set(orq_compressed_pages)
foreach(page IN LISTS orq_man_pages)
    get_filename_component(name ${page} NAME)
    set(compressed ${PROJECT_BINARY_DIR}/man/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${page} > ${compressed}
        DEPENDS ${page} VERBATIM)
    list(APPEND orq_compressed_pages ${compressed})
endforeach()
set(orq_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${orq_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${orq_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(orq_install_documents ALL DEPENDS ${orq_compressed_pages} ${orq_changelog})
install(FILES ${orq_compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Named after the package, not the project: /usr/share/doc/orq.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${orq_changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orq)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orq)
set(CPACK_PACKAGE_VENDOR "The ORQ developers")
set(CPACK_PACKAGE_CONTACT "ORQ support <${ORQ_SUPPORT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "metrics, reports and check lists of an Applicant Processing List")
set(CPACK_PACKAGE_DESCRIPTION
    "ORQ opens a recruiting station's Applicant Processing List (an Excel 97-2003\n\
workbook) and shows the station's processing metrics, the pending conducts of\n\
the next three days, eight filtered reports that print and save as workbooks,\n\
and two check lists. orq is the desktop program; orq-cli prints the same from\n\
the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
