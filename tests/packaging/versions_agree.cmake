# The version is written in several packaging files besides the build; they
# must all name the project's version, or the package and its metadata
# disagree about what is installed.
#   cmake -DVERSION=1.7 -DDIR=packaging -P versions_agree.cmake
set(problems)

file(READ ${DIR}/changelog changelog)
string(REGEX MATCH "^[^\n]*" first "${changelog}")
if(NOT first MATCHES "^krv-data \\(${VERSION}-[0-9]+\\) ")
  list(APPEND problems "changelog: newest entry is not ${VERSION}-N")
endif()

file(GLOB metainfo ${DIR}/*.metainfo.xml)
file(READ ${metainfo} xml)
string(REGEX MATCH "<release version=\"([^\"]*)\"" newest "${xml}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  list(APPEND problems "${metainfo}: newest release is \"${CMAKE_MATCH_1}\", not ${VERSION}")
endif()

file(GLOB pages ${DIR}/man/*.1)
foreach(page ${pages})
  file(STRINGS ${page} th REGEX "^\\.TH ")
  if(NOT th MATCHES "\"KRV Data ${VERSION}\"")
    list(APPEND problems "${page}: ${th} does not name KRV Data ${VERSION}")
  endif()
endforeach()

if(problems)
  string(REPLACE ";" "\n" problems "${problems}")
  message(FATAL_ERROR "${problems}")
endif()
message(STATUS "changelog, metainfo and manual pages all name ${VERSION}")
