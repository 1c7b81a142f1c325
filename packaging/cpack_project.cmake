# Read by cpack before it stages and packs: the file times in the package come from
# SOURCE_DATE_EPOCH, which the staging (help2man's dates) reads as well.
set(DRAVIK_SOURCE_DIR "${CPACK_DRAVIK_SOURCE_DIR}")
include("${CPACK_DRAVIK_SOURCE_DIR}/packaging/source_date.cmake")
