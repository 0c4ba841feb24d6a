# Fails when a source file includes from a folder above its own. The folders
# form a ladder, lowest first (drawn in the README, "For contributors"); a file
# may include from its own rung or below.
# Run as: cmake -DSOURCE_DIR=<checkout> -P include_ladder.cmake
set(rungs core settings render sim scenario media panel cli)

function(rung_of folder out)
  string(REGEX REPLACE "^app$" "panel" folder "${folder}")  # the program and its panel share a rung
  list(FIND rungs "${folder}" index)
  set(${out} ${index} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
     "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
set(upward "")
foreach(source IN LISTS sources)
  string(REGEX REPLACE "^src/([^/]+)/.*$" "\\1" folder "${source}")
  rung_of(${folder} own)
  if(own EQUAL -1)
    string(APPEND upward "\n  ${source}: folder '${folder}' has no rung on the ladder")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"/]+)/.*$" "\\1" target "${line}")
    rung_of(${target} theirs)
    if(theirs GREATER own)
      string(APPEND upward "\n  ${source} includes ${target}/ from below it")
    endif()
  endforeach()
endforeach()
if(upward)
  message(FATAL_ERROR "includes that run up the folder ladder:${upward}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files, every include on its own rung or below")
