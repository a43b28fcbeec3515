# Every option a program names in its usage text must be described in its
# manual page, so that the page cannot silently fall behind the program.
#   cmake -DPROGRAM=path -DPAGE=path -P man_covers_options.cmake
# The usage text is taken from --help whatever its exit status and stream.
execute_process(COMMAND ${PROGRAM} --help
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 60)
set(usage "${out}${err}")
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${usage}")
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(count EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help named no option (status ${status}):\n${usage}")
endif()

file(READ ${PAGE} page)
# troff writes a dash in an option as \-
string(REPLACE "\\-" "-" page "${page}")
set(missing)
foreach(option ${options})
  string(FIND "${page}" "${option}" at)
  if(at EQUAL -1)
    list(APPEND missing ${option})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${PAGE} does not describe ${missing}, which ${PROGRAM} --help names")
endif()
message(STATUS "${PAGE} describes all of ${options}")
