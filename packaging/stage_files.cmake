# Run by cpack on the staged files, just before it packs them (see
# CPACK_PRE_BUILD_SCRIPTS). Adds what a Debian package carries beyond
# `cmake --install`, then gives every file and folder the same modes and the
# time of the last commit (SOURCE_DATE_EPOCH), whatever the clone's umask and
# the build's hour: two runs of scripts/package give the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set: scripts/package sets it")
endif()
set(stage ${CPACK_TEMPORARY_DIRECTORY})
set(source ${CMAKE_CURRENT_LIST_DIR}/..)

if(CPACK_GENERATOR STREQUAL "DEB")
  set(doc ${stage}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_DEBIAN_PACKAGE_NAME})
  # The package holds our code alone: zlib and ISA-L come as Debian's own packages.
  file(READ ${source}/LICENSE license)
  file(WRITE ${doc}/copyright "Tarnwick ${CPACK_PACKAGE_VERSION}\n\n${license}")
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # SOURCE_DATE_EPOCH's
  file(WRITE ${doc}/changelog
       "${CPACK_DEBIAN_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
       "  * Tarnwick ${CPACK_PACKAGE_VERSION}.\n\n"
       " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
  execute_process(COMMAND gzip -9n ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
endif()

execute_process(COMMAND chmod -R u=rwX,go=rX ${stage} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND find ${stage} -exec touch -h -d @$ENV{SOURCE_DATE_EPOCH} {} +
                COMMAND_ERROR_IS_FATAL ANY)
