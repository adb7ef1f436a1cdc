# Turns the command-line program's --help text into its manual page:
#   cmake -DHELP_PROGRAM=cli_help_text -DOUTPUT=calderwynstrope-cli.1 -DVERSION=1.2.0 -P ManPage.cmake
# The text's "Usage:" block becomes the synopsis; every other block that starts with a heading
# (a line ending in ":") becomes a subsection, kept as it is laid out in the terminal.
execute_process(COMMAND "${HELP_PROGRAM}" OUTPUT_VARIABLE rest RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${HELP_PROGRAM} failed: ${status}")
endif()

# roff: backslashes and minus signs escaped, no line read as a request.
function(roff_line text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(page ".TH CALDERWYNSTROPE-CLI 1 \"\" \"calderwynstrope-cli ${VERSION}\" \"User Commands\"
.SH NAME
calderwynstrope\\-cli \\- rename many files at once, made for music collections, with undo
")
set(description ".SH DESCRIPTION
calderwynstrope\\-cli previews and makes batch renames from an ordered list of filters, given on
the command line or read from filter definition files (.ren) made by it or by the Windows program.
It never overwrites a file, and every run can be undone.
")
set(in_block FALSE)
set(new_block TRUE)
# Line by line without CMake lists, which would split at ";" and group at "[".
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n" end)
  if(end EQUAL -1)
    set(line "${rest}")
    set(rest "")
  else()
    string(SUBSTRING "${rest}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${rest}" ${next} -1 rest)
  endif()
  if(line STREQUAL "")
    if(in_block)
      string(APPEND page ".fi\n")
      set(in_block FALSE)
    endif()
    set(new_block TRUE)
    continue()
  endif()
  if(new_block)
    set(new_block FALSE)
    if(line STREQUAL "Usage:")
      string(APPEND page ".SH SYNOPSIS\n.nf\n")
      set(in_block TRUE)
      continue()
    endif()
    string(APPEND page "${description}")
    set(description "")
    if(line MATCHES "^([^ ].*):$")
      roff_line("${CMAKE_MATCH_1}" heading)
      string(APPEND page ".SS \"${heading}\"\n.nf\n")
      set(in_block TRUE)
      continue()
    else()
      string(APPEND page ".PP\n.nf\n")
      set(in_block TRUE)
    endif()
  endif()
  roff_line("${line}" text)
  string(APPEND page "${text}\n")
endwhile()
if(in_block)
  string(APPEND page ".fi\n")
endif()
string(APPEND page ".SH FILES
.TP
.I braxen.ini
settings, shared with the Windows program's format
.TP
.I braxen.idx, undo/
the undo index and one undo database per run
.SH ENVIRONMENT
.TP
.B CALDERWYNSTROPE_HOME
one folder for the settings and the undo records
.TP
.B XDG_CONFIG_HOME, XDG_DATA_HOME
the user's settings and data folders when the copy is not portable
")
file(WRITE "${OUTPUT}" "${page}")
