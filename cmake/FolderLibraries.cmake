# One static library per source folder, seeing only the folders it may include.
#
# The sources include another folder's headers by folder and name ("log/CMeterlog2Doc.h"), and
# the headers of their own folder by name alone ("CellText.h", found beside the includer). A
# folder's library does not publish the folder above it (core/, gui/), which would let every
# user reach every folder: it publishes a root of its own in the build folder that holds, under
# the folder's name, one forwarding header per header of the folder. A library sees the roots of
# the libraries it links, directly or through others, and nothing else; an include of a folder
# it does not link finds no file and does not compile. docs/architecture.md says which folder
# may include which; the tests in tests/layers compile forbidden includes and expect them to
# fail.

# meterlog2_folder_library(TARGET FOLDER DIR [DEPENDS target...] [PRIVATE_DEPENDS target...])
# TARGET: a static library of DIR's *.cpp (its *.h listed too, for moc and the IDEs). DEPENDS:
# what its headers need (passed on to its users); PRIVATE_DEPENDS: what its sources alone need.
function(meterlog2_folder_library target)
  cmake_parse_arguments(ARG "" "FOLDER" "DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  get_filename_component(dir ${ARG_FOLDER} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
  meterlog2_include_root(root ${target} ${dir} ${headers})
  add_library(${target} STATIC ${sources} ${headers})
  target_include_directories(${target} PUBLIC ${root})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  # The sources and the root once more, for the copies built with sanitizers (tests/, tests/fuzz).
  set_target_properties(${target} PROPERTIES METERLOG2_SOURCES "${sources}"
                                             METERLOG2_INCLUDE_ROOT ${root})
endfunction()

# meterlog2_include_root(OUT TARGET DIR HEADER...): writes TARGET's include root, OUT names it.
# A forwarding header is rewritten only when it changes, and one whose header is gone is removed.
function(meterlog2_include_root out target dir)
  get_filename_component(name ${dir} NAME)
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  set(wanted)
  foreach(header ${ARGN})
    get_filename_component(file ${header} NAME)
    # Relative, so that the build folder may move with the sources.
    file(RELATIVE_PATH path ${root}/${name} ${header})
    file(CONFIGURE OUTPUT ${root}/${name}/${file}
         CONTENT "// ${name}/${file} for the users of ${target} (cmake/FolderLibraries.cmake)\n#include \"${path}\"\n"
         @ONLY)
    list(APPEND wanted ${root}/${name}/${file})
  endforeach()
  file(GLOB present ${root}/${name}/*.h)
  if(wanted AND present)
    list(REMOVE_ITEM present ${wanted})
  endif()
  if(present)
    file(REMOVE ${present})
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# meterlog2_copy_of(TARGET LIBRARY...): one static library of the sources of the LIBRARYs, with
# their include roots, to be built with other options (sanitizers, fuzzing instrumentation).
function(meterlog2_copy_of target)
  set(sources)
  set(roots)
  foreach(library ${ARGN})
    get_target_property(library_sources ${library} METERLOG2_SOURCES)
    get_target_property(library_root ${library} METERLOG2_INCLUDE_ROOT)
    list(APPEND sources ${library_sources})
    list(APPEND roots ${library_root})
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${roots})
endfunction()
