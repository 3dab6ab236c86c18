# Installing and packaging, three ways out of one build folder:
# - cmake --install build --prefix DIR: the program folder, self-contained:
#   Kodrix, kodrix-cli with its image module, kodrix-pack and the demo
#   catalogue side by side (the program reads the catalogue beside its real
#   executable), so it runs from wherever DIR is.
# - cpack -G TGZ (in the build folder): the same folder as an archive.
# - cpack -G DEB: a Debian package: the folder as /opt/kodrix, the commands
#   kodrix, kodrix-cli and kodrix-pack on PATH as links into it, the desktop
#   entry, the icon in the hicolor theme, the AppStream metadata and the
#   tools' manual pages.
# The folder is the install component "Program"; what the package adds under
# /usr is "System", which a plain install leaves out
# (cmake --install build --component System --prefix /usr installs it).

# The desktop entry's name: also the icon's and the metadata's, and the one
# the program's windows announce (app/Desktop.cpp).
set(KODRIX_DESKTOP_ID "ru.vorlenta.kodrix")
set(KODRIX_PACKAGE_DIR "/opt/kodrix")
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "${KODRIX_PACKAGE_DIR}" CACHE PATH "Where cmake --install puts the program folder" FORCE)
endif()
target_compile_definitions(kodrix_app PRIVATE KODRIX_DESKTOP_ID="${KODRIX_DESKTOP_ID}")

# --- The program folder
install(TARGETS Kodrix kodrix-cli kodrix-pack RUNTIME DESTINATION . COMPONENT Program)
install(TARGETS kodrix-cli-icon LIBRARY DESTINATION . COMPONENT Program)
# The demo catalogue, which the build puts beside the executables: one folder
# per source folder (the platforms and sol/).
file(GLOB KODRIX_DEMO_FOLDERS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/catalogue/*)
foreach(folder ${KODRIX_DEMO_FOLDERS})
  if(IS_DIRECTORY ${folder})
    get_filename_component(name ${folder} NAME)
    install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/${name} DESTINATION . COMPONENT Program)
  endif()
endforeach()

# --- What the package adds for the desktop and the shell
set(KODRIX_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
foreach(command kodrix:Kodrix kodrix-cli:kodrix-cli kodrix-pack:kodrix-pack)
  string(REPLACE ":" ";" pair ${command})
  list(GET pair 0 link)
  list(GET pair 1 target)
  file(MAKE_DIRECTORY ${KODRIX_PACKAGING_DIR}/bin)
  file(CREATE_LINK ${KODRIX_PACKAGE_DIR}/${target} ${KODRIX_PACKAGING_DIR}/bin/${link} SYMBOLIC)
  install(FILES ${KODRIX_PACKAGING_DIR}/bin/${link} DESTINATION bin COMPONENT System EXCLUDE_FROM_ALL)
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/packaging/kodrix.desktop.in ${KODRIX_PACKAGING_DIR}/${KODRIX_DESKTOP_ID}.desktop @ONLY)
install(FILES ${KODRIX_PACKAGING_DIR}/${KODRIX_DESKTOP_ID}.desktop DESTINATION share/applications
        COMPONENT System EXCLUDE_FROM_ALL)
configure_file(${CMAKE_SOURCE_DIR}/packaging/kodrix.metainfo.xml.in
               ${KODRIX_PACKAGING_DIR}/${KODRIX_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${KODRIX_PACKAGING_DIR}/${KODRIX_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo
        COMPONENT System EXCLUDE_FROM_ALL)

# The icon theme's sizes of the program's icon, drawn from the picture the
# windows and the tray show.
set(KODRIX_ICON ${CMAKE_SOURCE_DIR}/components/resources/MAINICON.ico)
set(KODRIX_ICON_SIZES 16 22 24 32 48 64 128 256)
add_executable(kodrix_icon_sizes ${CMAKE_SOURCE_DIR}/packaging/IconSizes.cpp)
target_link_libraries(kodrix_icon_sizes PRIVATE Qt6::Gui)
set_target_properties(kodrix_icon_sizes PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KODRIX_PACKAGING_DIR})
set(KODRIX_ICON_FILES "")
foreach(size ${KODRIX_ICON_SIZES})
  list(APPEND KODRIX_ICON_FILES ${KODRIX_PACKAGING_DIR}/icons/hicolor/${size}x${size}/apps/${KODRIX_DESKTOP_ID}.png)
endforeach()
add_custom_command(
  OUTPUT ${KODRIX_ICON_FILES}
  COMMAND kodrix_icon_sizes ${KODRIX_ICON} ${KODRIX_PACKAGING_DIR}/icons/hicolor ${KODRIX_DESKTOP_ID} ${KODRIX_ICON_SIZES}
  DEPENDS kodrix_icon_sizes ${KODRIX_ICON}
  COMMENT "Drawing the program's icon at the icon theme's sizes"
  VERBATIM)
install(DIRECTORY ${KODRIX_PACKAGING_DIR}/icons/ DESTINATION share/icons COMPONENT System EXCLUDE_FROM_ALL)

# Manual pages of the two tools, compressed as Debian keeps them.
set(KODRIX_MAN_PAGES "")
foreach(tool kodrix-cli kodrix-pack)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/${tool}.1.in ${KODRIX_PACKAGING_DIR}/man/${tool}.1 @ONLY)
  add_custom_command(
    OUTPUT ${KODRIX_PACKAGING_DIR}/man/${tool}.1.gz
    COMMAND gzip -9 -n -k -f ${KODRIX_PACKAGING_DIR}/man/${tool}.1
    DEPENDS ${KODRIX_PACKAGING_DIR}/man/${tool}.1
    VERBATIM)
  list(APPEND KODRIX_MAN_PAGES ${KODRIX_PACKAGING_DIR}/man/${tool}.1.gz)
endforeach()
install(FILES ${KODRIX_MAN_PAGES} DESTINATION share/man/man1 COMPONENT System EXCLUDE_FROM_ALL)

add_custom_target(kodrix_packaging_files ALL DEPENDS ${KODRIX_ICON_FILES} ${KODRIX_MAN_PAGES})

# --- CPack
set(CPACK_PACKAGE_NAME kodrix)
set(CPACK_PACKAGE_VENDOR Vorlenta)
set(CPACK_PACKAGE_CONTACT "Kodrix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browser for a library of video-game cheat codes and walkthroughs")
set(CPACK_PACKAGE_FILE_NAME kodrix-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The long description; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kodrix shows a library of cheat codes and walkthroughs stored in the formats of
its Windows origins, with a Russian interface: pick a platform, a letter and a
game and read its codes beside its icon; read walkthroughs with screenshots;
search the games; see a chart of the library. A demo library comes with it.
The terminal tools kodrix-cli and kodrix-pack show and build libraries.")
# Depends: the libraries the binaries link (dpkg-shlibdeps), and Qt's
# translations, which the program loads and no binary links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# Which component goes where, per generator.
configure_file(${CMAKE_SOURCE_DIR}/packaging/CPackProject.cmake.in ${KODRIX_PACKAGING_DIR}/CPackProject.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${KODRIX_PACKAGING_DIR}/CPackProject.cmake)
include(CPack)

# The installed program and tools, run as a user would; the desktop files
# checked by the desktop's own validators.
add_test(NAME install
         COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/install.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${KODRIX_DESKTOP_ID})
set_tests_properties(install PROPERTIES TIMEOUT 120)
