# Run by CPack on the staged package (CPACK_PRE_BUILD_SCRIPTS): strips the
# programs as Debian's dh_strip does, symbol tables and the .comment and
# .note sections gone.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/libexec/tervik/*")
if(NOT programs)
  message(FATAL_ERROR "no programs in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND "${CPACK_TERVIK_STRIP}" --remove-section=.comment --remove-section=.note
                          --strip-unneeded "${program}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip ${program} failed")
  endif()
endforeach()
