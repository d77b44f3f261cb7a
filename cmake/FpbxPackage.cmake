# What the Debian package installs, and the package itself (cpack -G DEB).
#
#   /usr/lib/fpbx/        the installed exe directory: fpbx, fpbx-reader, database/fpbx.mdb,
#                         模板.xls, 模板.xlsx
#   /usr/bin/fpbx         the launcher: each user's data folder with a copy of the above
#   /etc/fpbx/config.ini  the config.ini each user starts from (the tax number is set here)
#   the menu entry 电子发票核销 and its icon, the entry 用电子发票核销打开 for PDF and OFD files

set(FPBX_INSTALLED_DIR lib/fpbx)
install(TARGETS fpbx fpbx-reader RUNTIME DESTINATION ${FPBX_INSTALLED_DIR})
install(FILES ${FPBX_TEMPLATE_DB} DESTINATION ${FPBX_INSTALLED_DIR}/database)
install(FILES ${FPBX_OUTPUT_DIR}/模板.xls ${FPBX_OUTPUT_DIR}/模板.xlsx
        DESTINATION ${FPBX_INSTALLED_DIR})
install(FILES ${FPBX_CONFIG_TEMPLATE} DESTINATION /etc/fpbx)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/fpbx DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/fpbx.desktop
              ${PROJECT_SOURCE_DIR}/packaging/fpbx-open.desktop
        DESTINATION share/applications)
# "用电子发票核销打开" for PDF and OFD files; the desktop learns the OFD type from us.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/fpbx-ofd.xml DESTINATION share/mime/packages)
foreach(size ${FPBX_ICON_SIZES})
  install(FILES ${FPBX_ICON_DIR}/fpbx-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME fpbx.png)
endforeach()

# config.ini in /etc is the administrator's: kept over upgrades, removed only on purge.
file(WRITE ${CMAKE_BINARY_DIR}/debian-control/conffiles "/etc/fpbx/config.ini\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fpbx)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "fpbx maintainers <fpbx@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "电子发票核销: write off electronic VAT invoices")
set(CPACK_PACKAGE_DESCRIPTION "The reimbursement office's desktop program: scans the QR code \
of an electronic VAT invoice (or takes it typed by hand) and keeps any invoice from being \
reimbursed twice.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # fpbx_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION office)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library link names them: the X11 platform plug-in and Qt's Chinese
# texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian-control/conffiles)
include(CPack)
