# The Windows layer built by MinGW-w64 in its own build folder (<build>/mingw) and its test program run under
# Wine as the ctest test "windows_layer_wine" (label wine_tests).
include(ExternalProject)

# Only the header-only parts of Qt and nlohmann-json reach the Windows build; their folders are handed over
# without the Linux mkspecs.
get_target_property(_hv_qt_includes Qt5::Core INTERFACE_INCLUDE_DIRECTORIES)
list(FILTER _hv_qt_includes EXCLUDE REGEX "mkspecs")
string(REPLACE ";" "|" _hv_qt_includes "${_hv_qt_includes}")
get_target_property(_hv_json_includes nlohmann_json::nlohmann_json INTERFACE_INCLUDE_DIRECTORIES)
list(GET _hv_json_includes 0 _hv_json_include)

ExternalProject_Add(windows_layer_mingw
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/tests/windows/wine
  BINARY_DIR ${CMAKE_BINARY_DIR}/mingw
  LIST_SEPARATOR |
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
             -DCMAKE_BUILD_TYPE=RelWithDebInfo
             -DHV_ROOT=${PROJECT_SOURCE_DIR}
             -DHV_QT_INCLUDE_DIRS=${_hv_qt_includes}
             -DHV_JSON_INCLUDE_DIR=${_hv_json_include}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  USES_TERMINAL_BUILD ON)

if(HV_BUILD_TESTS)
  add_test(NAME windows_layer_wine
           COMMAND ${PROJECT_SOURCE_DIR}/tests/windows/wine/run-wine-tests.sh
                   ${CMAKE_BINARY_DIR}/mingw/hv_windows_wine_tests.exe ${CMAKE_BINARY_DIR}/wine-run)
  set_tests_properties(windows_layer_wine PROPERTIES LABELS wine_tests TIMEOUT 300)
endif()
