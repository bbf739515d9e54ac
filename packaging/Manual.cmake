# Writes a manual page around a program's own usage text, so the page follows every option
# and command the program gains. Run as a script:
#   cmake -DPROGRAM=... -DPAGE=logiremctl -DSUMMARY=... -DBODY=man/logiremctl.roff
#         -DVERSION=1.0.0 -DDATE=2026-12-07 -DOUTPUT=logiremctl.1 -P Manual.cmake
# BODY holds the sections in roff; the line @USAGE@ in it becomes the usage text, verbatim.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --help
  OUTPUT_VARIABLE usage ERROR_VARIABLE usage_err RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR usage STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status}): ${usage_err}")
endif()
# Verbatim for roff: backslashes and minus signs escaped, no line read as a request.
string(REPLACE "\\" "\\e" usage "${usage}")
string(REPLACE "-" "\\-" usage "${usage}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" usage "${usage}")
string(REGEX REPLACE "\n+$" "" usage "${usage}")
file(READ ${BODY} body)
string(REPLACE "@USAGE@" ".nf\n${usage}\n.fi" body "${body}")
string(TOUPPER ${PAGE} title)
string(REPLACE "-" "\\-" name ${PAGE})
file(WRITE ${OUTPUT} ".TH ${title} 1 \"${DATE}\" \"Logirem ${VERSION}\" \"User Commands\"
.SH NAME
${name} \\- ${SUMMARY}
${body}")
