# The release packages, named from the project version: cpack in a Windows
# build tree makes the zip and the installer, in a Linux one the .deb.
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR "Tarnwick project")
set(CPACK_PACKAGE_CONTACT "Tarnwick project <tarnwick@users.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "lists, tests and unpacks Heroes of Might & Magic IV resource archives (.h4r)")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# Before packing: fixed times and modes on the staged files (reproducible
# packages), and the Debian documents.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/stage_files.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_names.cmake)

if(WIN32)
  # The zip: staged by CPack, made by make_zip.cmake.
  set(CPACK_GENERATOR External NSIS)
  set(CPACK_EXTERNAL_ENABLE_STAGING ON)
  set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make_zip.cmake)
  set(CPACK_PACKAGE_FILE_NAME tarnwick-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnwick)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarnwick)
  # Our own installer script (NSIS.template.in beside this file).
  list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  set(CPACK_TARNWICK_ICON ${PROJECT_BINARY_DIR}/tarnwick/tarnwick.ico)
  # What the uninstaller deletes: the files installed, one Delete each, in a
  # fixed order (CPack's own list follows the directory order).
  set(delete_lines)
  foreach(file IN LISTS TARNWICK_WINDOWS_FILES)
    string(APPEND delete_lines "Delete \"$INSTDIR\\${file}\"\n")
  endforeach()
  set(CPACK_TARNWICK_DELETE_FILES ${CMAKE_CURRENT_BINARY_DIR}/delete_files.nsh)
  file(WRITE ${CPACK_TARNWICK_DELETE_FILES} "${delete_lines}")
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME tarnwick-cli)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Worked out by dpkg-shlibdeps from what the program links (libisal2, zlib1g,
  # libc6, libstdc++6, libgcc-s1), not listed by hand.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "tarnwick-cli lists the entries of an .h4r archive, checks them, writes them to
standard output, unpacks them into a folder (never outside it, never through a
symbolic link) and puts edited files back into the archive. It is the
command-line companion of the Windows desktop program Tarnwick.")
endif()

include(CPack)
