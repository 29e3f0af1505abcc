# The Windows installer: an NSIS setup program made by CPack (`cpack -G NSIS -C Release` in the
# build folder; docs/windows.md step by step). It installs for the current user alone, without
# administrator rights, into %LOCALAPPDATA%\Programs\Meterlog2:
#   bin\meterlog2.exe, bin\meterlog2-cli.exe, and the Qt libraries and plugins that windeployqt
#   copies beside them;
# a Start menu entry; ".57x" for the current user (HKCU\Software\Classes: ".57x" ->
# "Meterlog.Document", its icon and its open command), the same keys the program writes at every
# start; and an entry in Apps & features. The uninstaller removes all of it, the file type only
# while it is still ours, the program's settings key and the installer's own key (HKCU\Software\
# Meterlog2 developers). It leaves C:\meterlog2_dump.txt, the diagnostic dump the program
# appends to at every load, which belongs to the user.
#
# A build without the desktop program (the MinGW-w64 cross-build of the Windows check) makes an
# installer of meterlog2-cli.exe alone: no Start menu entry for a program that is not there, and
# no file type that would open nothing.
#
# Must come before include(CPack).

include(GNUInstallDirs)

# windeployqt puts Qt's libraries and the platform, style and image plugins beside the program,
# at install time, so that it runs on a machine without Qt.
if(METERLOG2_BUILD_GUI)
  get_target_property(METERLOG2_QMAKE Qt6::qmake IMPORTED_LOCATION)
  get_filename_component(METERLOG2_QT_BIN "${METERLOG2_QMAKE}" DIRECTORY)
  find_program(METERLOG2_WINDEPLOYQT windeployqt HINTS "${METERLOG2_QT_BIN}" REQUIRED)
  install(CODE "
    execute_process(
      COMMAND \"${METERLOG2_WINDEPLOYQT}\" --release --no-translations --no-compiler-runtime
              --no-system-d3d-compiler --no-opengl-sw
              \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/meterlog2.exe\"
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR \"windeployqt failed: \${status}\")
    endif()")
  # The Visual C++ runtime the programs were built against, beside them as well.
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(CMAKE_INSTALL_UCRT_LIBRARIES ON)
  include(InstallRequiredSystemLibraries)
endif()

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME meterlog2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Meterlog2)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Meterlog2)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_DISPLAY_NAME Meterlog)
set(CPACK_NSIS_PACKAGE_NAME "Meterlog ${PROJECT_VERSION}")
if(METERLOG2_BUILD_GUI)
  set(CPACK_PACKAGE_EXECUTABLES meterlog2 Meterlog)
  # Four backslashes here are one in the installer script (CMake and CPack each take half).
  set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\meterlog2.exe")
else()
  message(STATUS "The Windows installer of this build holds meterlog2-cli.exe alone: the desktop "
                 "program, its Start menu entry and the .57x file type come with the Visual "
                 "Studio build (docs/windows.md)")
endif()
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)

set(CPACK_PACKAGE_VENDOR "Meterlog2 developers")

# Per user: no elevation, the user's own program folder, the Start menu entry and the uninstall
# entry under the user's profile and HKCU. CPack's NSIS script installs for all users whenever
# it runs as an administrator (and into Documents otherwise); its own template is taken with
# those few lines changed, and the configure step stops should they ever not be found.
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
set(METERLOG2_NSIS_TEMPLATE ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in)
file(READ ${METERLOG2_NSIS_TEMPLATE} template)
foreach(change IN ITEMS
    [[RequestExecutionLevel admin|RequestExecutionLevel user]]
    [[SetShellVarContext all|SetShellVarContext current]]
    [[$DOCUMENTS\@CPACK_PACKAGE_INSTALL_DIRECTORY@|@CPACK_NSIS_INSTALL_ROOT@\@CPACK_PACKAGE_INSTALL_DIRECTORY@]]
    [[HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\|HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\]]
    # The vendor's key above the installer's own, which the template leaves behind empty.
    [[DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@"|DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@"
  DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@"]])
  string(FIND "${change}" "|" bar)
  string(SUBSTRING "${change}" 0 ${bar} from)
  math(EXPR bar "${bar} + 1")
  string(SUBSTRING "${change}" ${bar} -1 to)
  string(FIND "${template}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${METERLOG2_NSIS_TEMPLATE} has no \"${from}\": see the per-user "
                        "installer in cmake/PackagingWindows.cmake")
  endif()
  string(REPLACE "${from}" "${to}" template "${template}")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/nsis-per-user/NSIS.template.in "${template}")
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/nsis-per-user)

# The file type, as the program itself registers it at start (gui/app/CMeterlog2App.cpp), so
# that a double-click opens a log before the program has ever run. The key is written again by
# the program at every start; removed here only while it still names our document type.
if(METERLOG2_BUILD_GUI)
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  WriteRegStr HKCU \"Software\\Classes\\.57x\" \"\" \"Meterlog.Document\"
  WriteRegStr HKCU \"Software\\Classes\\Meterlog.Document\" \"\" \"Meterlog.Document\"
  WriteRegStr HKCU \"Software\\Classes\\Meterlog.Document\\DefaultIcon\" \"\" '\"$INSTDIR\\bin\\meterlog2.exe\",0'
  WriteRegStr HKCU \"Software\\Classes\\Meterlog.Document\\shell\\open\\command\" \"\" '\"$INSTDIR\\bin\\meterlog2.exe\" \"%1\"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]])
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  SetShellVarContext current
  ReadRegStr $0 HKCU \"Software\\Classes\\.57x\" \"\"
  StrCmp $0 \"Meterlog.Document\" 0 +2
    DeleteRegKey HKCU \"Software\\Classes\\.57x\"
  DeleteRegKey HKCU \"Software\\Classes\\Meterlog.Document\"
  DeleteRegKey HKCU \"Software\\Local AppWizard-Generated Applications\\Meterlog\"
  DeleteRegKey /ifempty HKCU \"Software\\Local AppWizard-Generated Applications\"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]])
else()
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "SetShellVarContext current")
endif()

# CPack itself is included once, at the end of cmake/Packaging.cmake.
