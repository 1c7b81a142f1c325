# The constants defined once in the C++ sources, read from there as the build is configured: the
# segment files (SegmentFiles in mapdata/segment.cpp) and the display modes (VIEWER_MODES in
# display/viewer_modes.h). Sets DRAVIK_SEGMENT_FILES, DRAVIK_MODES (the modes' names, in order),
# DRAVIK_MODE_<name> (its width and height) and DRAVIK_DRAWN_SEGMENT_BYTES (how much of a segment
# file the rows a frame can draw take: GRID_WINDOW_ROWS in view/drawn_window.h, whole rows of
# mapdata/segment.h), and writes the copies the rest reads:
# DRAVIK_PYTHON_DIR/dravik_constants.py for the Python tests and scripts (on their PYTHONPATH)
# and DRAVIK_CONSTANTS_JS for the page. core_tests holds all of them to the C++.
# Sets out to the value of `inline constexpr int name = VALUE;` in header.
function(dravik_read_int header name out)
  file(STRINGS ${header} lines REGEX "^inline constexpr int ${name} = [0-9]+;")
  if(NOT lines MATCHES "= ([0-9]+)")
    message(FATAL_ERROR "No ${name} in ${header}")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

function(dravik_read_constants)
  set(segments ${PROJECT_SOURCE_DIR}/mapdata/segment.cpp)
  set(modes ${PROJECT_SOURCE_DIR}/display/viewer_modes.h)
  set(segment_header ${PROJECT_SOURCE_DIR}/mapdata/segment.h)
  set(window ${PROJECT_SOURCE_DIR}/view/drawn_window.h)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${segments} ${modes} ${segment_header} ${window})

  file(READ ${segments} text)
  string(REGEX MATCH "SegmentFiles\\[SEGMENT_COUNT\\] = {[^}]*}" block "${text}")
  string(REGEX MATCHALL "\"[^\"]+\"" quoted "${block}")
  string(REPLACE "\"" "" names "${quoted}")
  list(JOIN quoted ", " segment_items)

  file(STRINGS ${modes} rows REGEX "^ *{\"[0-9]+\", [0-9]+, [0-9]+},$")
  set(mode_names "")
  set(mode_items "")
  foreach(row IN LISTS rows)
    string(REGEX MATCH "\"([0-9]+)\", ([0-9]+), ([0-9]+)" entry "${row}")
    list(APPEND mode_names ${CMAKE_MATCH_1})
    list(APPEND mode_items "[${entry}]")
    set(DRAVIK_MODE_${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} PARENT_SCOPE)
  endforeach()
  if(NOT names OR NOT mode_names)
    message(FATAL_ERROR "No segment files in ${segments} or no modes in ${modes}")
  endif()
  dravik_read_int(${window} GRID_WINDOW_ROWS drawn_rows)
  dravik_read_int(${segment_header} SEGMENT_COLUMNS columns)
  dravik_read_int(${segment_header} MAP_CELL_SIZE cell_size)
  math(EXPR drawn_bytes "${drawn_rows} * ${columns} * ${cell_size}")
  set(DRAVIK_DRAWN_SEGMENT_BYTES ${drawn_bytes} PARENT_SCOPE)
  list(JOIN mode_items ", " mode_items)

  # The same literals in both languages: lists in brackets, strings in double quotes.
  set(SEGMENT_FILES "[${segment_items}]")
  set(VIEWER_MODES "[${mode_items}]")
  set(python_dir ${CMAKE_BINARY_DIR}/python)
  set(js ${CMAKE_BINARY_DIR}/generated/dravik_constants.js)
  file(CONFIGURE OUTPUT ${python_dir}/dravik_constants.py @ONLY CONTENT
"\"\"\"Written by cmake/DravikConstants.cmake from mapdata/segment.cpp and display/viewer_modes.h,
where they are defined: change them there. VIEWER_MODES: [name, width, height] of each viewer,
in the order they are built.\"\"\"
SEGMENT_FILES = @SEGMENT_FILES@
VIEWER_MODES = @VIEWER_MODES@
")
  file(CONFIGURE OUTPUT ${js} @ONLY CONTENT
"// Written by cmake/DravikConstants.cmake from mapdata/segment.cpp and display/viewer_modes.h,
// where they are defined: change them there. VIEWER_MODES: [name, width, height] of each viewer,
// in the order they are built.
\"use strict\";
const SEGMENT_FILES = @SEGMENT_FILES@;
const VIEWER_MODES = @VIEWER_MODES@;
")
  set(DRAVIK_SEGMENT_FILES ${names} PARENT_SCOPE)
  set(DRAVIK_MODES ${mode_names} PARENT_SCOPE)
  set(DRAVIK_PYTHON_DIR ${python_dir} PARENT_SCOPE)
  set(DRAVIK_CONSTANTS_JS ${js} PARENT_SCOPE)
endfunction()
dravik_read_constants()

# Compiles target's sources for the display mode named by its width.
function(dravik_set_mode target mode)
  list(GET DRAVIK_MODE_${mode} 0 width)
  list(GET DRAVIK_MODE_${mode} 1 height)
  target_compile_definitions(${target} PRIVATE DRAVIK_W=${width} DRAVIK_H=${height})
endfunction()
