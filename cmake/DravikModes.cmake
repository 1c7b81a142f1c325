# The four display modes: each program and each mode-dependent test is built once per mode.
set(DRAVIK_MODES 1024 1600 1280 640)
set(DRAVIK_MODE_1024 1024 768)
set(DRAVIK_MODE_1600 1600 1200)
set(DRAVIK_MODE_1280 1280 1024)
set(DRAVIK_MODE_640 640 480)

# Compiles target's sources for the display mode named by its width.
function(dravik_set_mode target mode)
  list(GET DRAVIK_MODE_${mode} 0 width)
  list(GET DRAVIK_MODE_${mode} 1 height)
  target_compile_definitions(${target} PRIVATE DRAVIK_W=${width} DRAVIK_H=${height})
endfunction()
