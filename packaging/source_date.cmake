# SOURCE_DATE_EPOCH, when whoever makes the package gave none: the time of the commit the sources
# are at, so that the same commit gives the same package (file times, manual page dates) without
# being told. DRAVIK_SOURCE_DIR names the sources.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C "${DRAVIK_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_failed ERROR_QUIET)
  if(NOT git_failed AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  endif()
endif()
