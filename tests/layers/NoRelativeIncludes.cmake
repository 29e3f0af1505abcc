# Fails when a source of the program includes a header by a path that climbs out of its folder
# ("../assess/AssessLimits.h"): such an include passes by the include roots that keep the layers
# (cmake/FolderLibraries.cmake). SOURCE_DIR: the project's folder.
set(found)
foreach(folder core link gui cli sim)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.[/\\\\]")
    foreach(line ${lines})
      file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
      list(APPEND found "${name}: ${line}")
    endforeach()
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n" text)
  message(FATAL_ERROR "Includes by a relative path past the folder's own:\n${text}")
endif()
message(STATUS "No include climbs out of its folder")
