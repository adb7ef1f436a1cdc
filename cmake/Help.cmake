# The help page, made from docs/help.md by our own small converter when the programs are built:
# beside them in the build tree, where the Windows program looks for it as an installed copy does.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CW_HELP_PAGE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/help.html)
add_custom_command(
  OUTPUT ${CW_HELP_PAGE}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/markdown_to_html.py ${PROJECT_SOURCE_DIR}/docs/help.md
          ${CW_HELP_PAGE}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/markdown_to_html.py ${PROJECT_SOURCE_DIR}/docs/help.md
  COMMENT "Making help.html from docs/help.md")
add_custom_target(help_page ALL DEPENDS ${CW_HELP_PAGE})
