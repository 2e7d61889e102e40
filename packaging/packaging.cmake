# Installing Pictoforge, and the Debian package built from the installed tree (scripts/package).
#
# Installed, the editor finds Pal.pal in its data folder and keeps PF.ini, its palette and its work
# files per user (src/platform/program_folder.h).

set(PF_APP_ID org.pictoforge.Pictoforge)
set(PF_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(PF_PACKAGING_OUT ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(PF_DATADIR ${CMAKE_INSTALL_DATADIR}/pictoforge)
# Debian names the documentation folder after the package, not after the project.
set(PF_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/pictoforge)

install(TARGETS pictoforge pictoforge-send pictoforge-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/data/Pal.pal DESTINATION ${PF_DATADIR})
install(FILES ${PF_PACKAGING_DIR}/icons/pictoforge-32.ico ${PF_PACKAGING_DIR}/icons/pictoforge-16.ico
        DESTINATION ${PF_DATADIR})
install(FILES ${PF_PACKAGING_DIR}/${PF_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PF_PACKAGING_DIR}/${PF_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PF_PACKAGING_DIR}/copyright DESTINATION ${PF_DOCDIR})

# The icon in the hicolor theme: each size from the icon drawn for it or enlarged from the 32-pixel
# design, so every size but the smallest shows the same picture (48 pixels: each icon pixel 1 or 2 wide).
set(pf_icon_pngs)
foreach(spec "16;pictoforge-16;1" "32;pictoforge-32;1" "48;pictoforge-32;3/2" "64;pictoforge-32;2"
        "128;pictoforge-32;4")
  list(GET spec 0 size)
  list(GET spec 1 source)
  list(GET spec 2 scale)
  set(png ${PF_PACKAGING_OUT}/icons/${size}x${size}/${PF_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PF_PACKAGING_OUT}/icons/${size}x${size}
    COMMAND pictoforge-icon-png ${PF_PACKAGING_DIR}/icons/${source}.ico ${scale} ${png}
    DEPENDS pictoforge-icon-png ${PF_PACKAGING_DIR}/icons/${source}.ico
    COMMENT "Icon ${size}x${size} from ${source}.ico" VERBATIM)
  list(APPEND pf_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages and the changelog go in compressed, as Debian expects them.
find_program(PF_GZIP gzip REQUIRED)
set(pf_compressed)
foreach(spec "man/pictoforge.1;${CMAKE_INSTALL_MANDIR}/man1" "man/pictoforge-send.1;${CMAKE_INSTALL_MANDIR}/man1"
        "man/pictoforge-convert.1;${CMAKE_INSTALL_MANDIR}/man1"
        "changelog;${PF_DOCDIR}")
  list(GET spec 0 source)
  list(GET spec 1 destination)
  get_filename_component(name ${source} NAME)
  set(gz ${PF_PACKAGING_OUT}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E copy ${PF_PACKAGING_DIR}/${source} ${PF_PACKAGING_OUT}/${name}
    COMMAND ${PF_GZIP} -9nf ${PF_PACKAGING_OUT}/${name}
    DEPENDS ${PF_PACKAGING_DIR}/${source} VERBATIM)
  list(APPEND pf_compressed ${gz})
  install(FILES ${gz} DESTINATION ${destination})
endforeach()

# The Japanese manual pages, compressed the same way into a folder of their own and installed under
# the man/ja tree; the converter's only where that command is built.
set(pf_man_ja pictoforge.1 pictoforge-send.1)
if(TARGET pictoforge-convert)
  list(APPEND pf_man_ja pictoforge-convert.1)
endif()
foreach(page ${pf_man_ja})
  set(gz ${PF_PACKAGING_OUT}/ja/${page}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PF_PACKAGING_OUT}/ja
    COMMAND ${CMAKE_COMMAND} -E copy ${PF_PACKAGING_DIR}/man/ja/${page} ${PF_PACKAGING_OUT}/ja/${page}
    COMMAND ${PF_GZIP} -9nf ${PF_PACKAGING_OUT}/ja/${page}
    DEPENDS ${PF_PACKAGING_DIR}/man/ja/${page} VERBATIM)
  list(APPEND pf_compressed ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
endforeach()

# The user's manual as HTML, made from docs/manual.ja.md with its pictures into doc/ beside the
# executable, where ツール → マニュアル finds it in the build, and installed into the documentation folder.
option(PF_BUILD_MANUAL "Make the HTML manual from docs/manual.ja.md (needs pandoc)" ON)
set(pf_manual)
if(PF_BUILD_MANUAL)
  find_program(PF_PANDOC pandoc REQUIRED)
  set(pf_manual_dir ${CMAKE_BINARY_DIR}/doc)
  set(pf_manual ${pf_manual_dir}/manual.ja.html)
  file(GLOB pf_manual_images CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/images/*.png)
  add_custom_command(OUTPUT ${pf_manual}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${pf_manual_dir}/images
    COMMAND ${CMAKE_COMMAND} -E make_directory ${pf_manual_dir}/images
    COMMAND ${CMAKE_COMMAND} -E copy ${pf_manual_images} ${pf_manual_dir}/images/
    # GitHub's heading names, so the table of contents' links work in the HTML as on the web.
    COMMAND ${PF_PANDOC} --from gfm --to html5 --standalone --metadata lang=ja
            --metadata "pagetitle=Pictoforge 取扱説明書" --include-in-header ${PF_PACKAGING_DIR}/manual-style.html
            --output ${pf_manual} ${CMAKE_CURRENT_SOURCE_DIR}/docs/manual.ja.md
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/manual.ja.md ${pf_manual_images} ${PF_PACKAGING_DIR}/manual-style.html
    COMMENT "The HTML manual from docs/manual.ja.md" VERBATIM)
  install(FILES ${pf_manual} DESTINATION ${PF_DOCDIR})
  install(FILES ${pf_manual_images} DESTINATION ${PF_DOCDIR}/images)
endif()

add_custom_target(pf_packaging_files ALL DEPENDS ${pf_icon_pngs} ${pf_compressed} ${pf_manual})

# --- the Debian package ------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictoforge)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for 16-colour icons and bitmaps")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PF_PACKAGING_DIR}/description.txt)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pictoforge developers <pictoforge@example.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries as dpkg-shlibdeps finds them, plus the Mincho face the program's texts are drawn in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-mincho")
# Qt's own dialogs speak Japanese with it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

if(PF_BUILD_TESTS)
  # The shipped icon files against their designs, and the PNGs against the icon files.
  add_test(NAME icons COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/package/check_icons.py
           $<TARGET_FILE:pictoforge-icon-png> ${CMAKE_CURRENT_SOURCE_DIR} ${PF_PACKAGING_OUT}/icons)
endif()
