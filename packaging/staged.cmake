# Run by cpack on the staged package tree (CPACK_PRE_BUILD_SCRIPTS), doing
# what Debian's own packaging helpers do to theirs:
# - every ELF file is stripped of its debugging symbols and of the .comment
#   and .note sections, which hold only the compiler's name; the build ID
#   stays, so that a crash can still be matched to the build;
# - every folder is 0755 whatever the umask of whoever packages: the install
#   step makes folders through the umask, and a 0750 /usr/libexec/marovin
#   would hide the converter from the users of the window.
file(GLOB_RECURSE staged LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path ${staged})
  if(IS_SYMLINK "${path}")
    continue()
  elseif(IS_DIRECTORY "${path}")
    file(CHMOD "${path}" DIRECTORY_PERMISSIONS
         OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    continue()
  endif()
  file(READ "${path}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND "${CPACK_MAROVIN_STRIP}" --remove-section=.comment --remove-section=.note "${path}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "strip ${path}: ${status}")
    endif()
  endif()
endforeach()
