# Run while the package is staged (install): the manual pages, help2man's of the tools from
# their --help and the viewers' written by hand, and the changelogs, all compressed with no time
# in them. Made here rather than in the build, which then pays nothing for them.
#
# Set before: DRAVIK_SOURCE_DIR, DRAVIK_STAGE_DIR (a scratch folder), DRAVIK_VERSION,
# DRAVIK_TOOLS (the tools' programs), DRAVIK_VIEWERS (the viewers' names, the first one's page
# holding all four), DRAVIK_MAINTAINER, and the programs HELP2MAN, GZIP and DATE.

include("${DRAVIK_SOURCE_DIR}/packaging/source_date.cmake")
foreach(program HELP2MAN GZIP DATE)
  if(NOT ${program})
    string(TOLOWER ${program} name)
    message(FATAL_ERROR "${name} is needed to stage the package (scripts/install-deps release)")
  endif()
endforeach()

file(REMOVE_RECURSE "${DRAVIK_STAGE_DIR}")
file(MAKE_DIRECTORY "${DRAVIK_STAGE_DIR}/man" "${DRAVIK_STAGE_DIR}/doc")
set(man "${DRAVIK_STAGE_DIR}/man")
set(doc "${DRAVIK_STAGE_DIR}/doc")

# gzip -9n: the manual's and the changelogs' compression as Debian asks, and no name or time.
function(dravik_compress file)
  execute_process(COMMAND "${GZIP}" -9nf "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

# Each tool's page from its --help, whose second line is the one-line description.
foreach(tool IN LISTS DRAVIK_TOOLS)
  get_filename_component(name "${tool}" NAME)
  execute_process(COMMAND "${tool}" --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
  if(failed OR NOT help MATCHES "^Usage: [^\n]*\n(  or: [^\n]*\n)*([^\n]+)\\.\n")
    message(FATAL_ERROR "${name} --help gives no usage line and description")
  endif()
  string(SUBSTRING "${CMAKE_MATCH_2}" 0 1 first)
  string(SUBSTRING "${CMAKE_MATCH_2}" 1 -1 rest)
  string(TOLOWER "${first}" first)
  execute_process(COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${first}${rest}"
                          "--source=Dravik ${DRAVIK_VERSION}"
                          "--output=${man}/${name}.1" "${tool}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "help2man ${name} failed")
  endif()
  dravik_compress("${man}/${name}.1")
endforeach()

# The viewers' page, dated as help2man dates the others (SOURCE_DATE_EPOCH, else now).
list(GET DRAVIK_VIEWERS 0 viewer)
string(TIMESTAMP DRAVIK_MAN_DATE "%B %Y" UTC)
set(PROJECT_VERSION "${DRAVIK_VERSION}")
configure_file("${DRAVIK_SOURCE_DIR}/packaging/man/tileview.1" "${man}/${viewer}.1" @ONLY)
dravik_compress("${man}/${viewer}.1")
foreach(other IN LISTS DRAVIK_VIEWERS)
  if(NOT other STREQUAL viewer)
    file(CREATE_LINK "${viewer}.1.gz" "${man}/${other}.1.gz" SYMBOLIC)
  endif()
endforeach()

# changelog.gz is CHANGES.md as a person reads it. A package versioned without a Debian revision
# counts as native, whose Debian changelog is changelog.gz; the packaging tools would read that
# file as one and find no entry they understand. changelog.Debian.gz, which they read first,
# holds an entry per release in their format, each pointing to the other file.
configure_file("${DRAVIK_SOURCE_DIR}/CHANGES.md" "${doc}/changelog" COPYONLY)
dravik_compress("${doc}/changelog")
file(STRINGS "${DRAVIK_SOURCE_DIR}/CHANGES.md" releases REGEX "^## [0-9.]+ \\([0-9-]+\\)")
set(debian "")
foreach(release IN LISTS releases)
  string(REGEX MATCH "^## ([0-9.]+) \\(([0-9-]+)\\)" _ "${release}")
  set(version "${CMAKE_MATCH_1}")
  execute_process(COMMAND "${DATE}" -u -R -d "${CMAKE_MATCH_2}" OUTPUT_VARIABLE date
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "CHANGES.md: ${release}: not a date")
  endif()
  string(APPEND debian "dravik (${version}) unstable; urgency=medium\n\n"
    "  * Release ${version}: its changes are told in changelog.gz beside this file.\n\n"
    " -- ${DRAVIK_MAINTAINER}  ${date}\n\n")
endforeach()
if(NOT releases MATCHES "^## ${DRAVIK_VERSION} ")
  message(FATAL_ERROR "CHANGES.md: the newest entry is not ${DRAVIK_VERSION}")
endif()
string(REGEX REPLACE "\n\n$" "\n" debian "${debian}")
file(WRITE "${doc}/changelog.Debian" "${debian}")
dravik_compress("${doc}/changelog.Debian")

file(INSTALL "${man}/" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/man/man1")
file(INSTALL "${doc}/" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/doc/dravik")
