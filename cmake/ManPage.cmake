# cmake -DTOOL=<executable> -DNAME=<name> -DSUMMARY=<text> -DVERSION=<v>
#       -DPACKAGE=<package> -DOUTPUT=<page.1.gz> -P ManPage.cmake
# Writes the tool's manual page: its --help as the description, gzipped
# without a name or time stamp, so the page is the same at every build.
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${TOOL} --help failed (${rc})")
endif()
# roff: a backslash is written \e, and a line may not start with a control character.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REGEX MATCH "^usage: [^\n]*" synopsis "${help}")
string(REGEX REPLACE "^usage: " "" synopsis "${synopsis}")
string(TOUPPER ${NAME} title)
file(WRITE ${OUTPUT}.tmp
  ".TH ${title} 1 \"\" \"${PACKAGE} ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n${NAME} \\- ${SUMMARY}\n"
  ".SH SYNOPSIS\n.nf\n${synopsis}\n.fi\n"
  ".SH DESCRIPTION\n.nf\n${help}.fi\n"
  ".SH ENVIRONMENT\n.TP\n.B WEATHER_DEVICE_ROOT\nthe device root (default: \\fI$HOME/.weather-device\\fR)\n")
execute_process(COMMAND gzip -9n -c ${OUTPUT}.tmp OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE rc)
file(REMOVE ${OUTPUT}.tmp)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${OUTPUT}")
endif()
