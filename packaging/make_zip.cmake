# Run by cpack (the External generator) on the staged files: the Windows zip.
# CPack's own ZIP generator takes the files in directory order, which differs
# from one file system to another; zip takes them in the order given, sorted
# here, with the staged times (SOURCE_DATE_EPOCH) read as UTC and no extra
# fields (owners, other times).
set(folder ${CPACK_PACKAGE_FILE_NAME})
set(top ${CPACK_TEMPORARY_DIRECTORY}/..)
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${top} ${top}/${folder}/*)
list(SORT files)
set(zip ${CPACK_TOPLEVEL_DIRECTORY}/${folder}.zip)
file(REMOVE ${zip})
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -9 -q ${zip} ${files}
                WORKING_DIRECTORY ${top} COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
