# The HTML report's charts are written as PNG through libpng (Debian: libpng-dev) with the
# settings that suit flat-coloured charts (gui/report/HtmlReport.cpp says which). Qt's own PNG
# writer takes about twice as long for a chart of the same size. Windows builds, which have no
# libpng to link, take Qt's writer.
if(NOT WIN32)
  find_package(PNG)
  if(NOT PNG_FOUND)
    message(FATAL_ERROR "libpng was not found. Install the Debian package libpng-dev "
                        "(scripts/deps.sh does), or build without the desktop program: "
                        "-DMETERLOG2_BUILD_GUI=OFF.")
  endif()
endif()

# meterlog2_link_png(TARGET): TARGET writes PNG through libpng where the build has it.
function(meterlog2_link_png target)
  if(NOT WIN32)
    target_link_libraries(${target} PRIVATE PNG::PNG)
    target_compile_definitions(${target} PRIVATE METERLOG2_WITH_LIBPNG)
  endif()
endfunction()
