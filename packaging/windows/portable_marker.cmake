# Run by CPack on the staged files before it makes each package: the zip, and only the zip, gets
# the empty "portable" file that makes a copy keep its data next to the program.
if(CPACK_GENERATOR STREQUAL "ZIP")
  file(TOUCH "${CPACK_TEMPORARY_DIRECTORY}/portable")
endif()
