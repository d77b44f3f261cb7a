# fpbx_core_library(<name> SOURCES ... [DEPENDS ...])
#   A static library of program logic. It may use Qt Core but never Qt Gui or Widgets;
#   it joins fpbx_core.
# fpbx_ui_library(<name> SOURCES ... [DEPENDS ...])
#   A static library of windows and dialogs on top of the core; it joins fpbx_ui.
# fpbx_add_core_test(<name> SOURCES ... [DEPENDS ...])
#   A GoogleTest executable of core logic: it runs under a QCoreApplication and links the core
#   libraries only (the link check test holds it to that).
# fpbx_add_test(<name> SOURCES ... [DEPENDS ...])
#   A GoogleTest executable of windows, run by CTest under the offscreen platform with the
#   program's application object.

function(_fpbx_library kind name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(kind STREQUAL "core")
    target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPENDS})
    target_link_libraries(fpbx_core INTERFACE ${name})
  else()
    target_link_libraries(${name} PUBLIC Qt6::Widgets ${ARG_DEPENDS})
    target_link_libraries(fpbx_ui INTERFACE ${name})
  endif()
endfunction()

function(fpbx_core_library name)
  _fpbx_library(core ${name} ${ARGN})
endfunction()

function(fpbx_ui_library name)
  _fpbx_library(ui ${name} ${ARGN})
endfunction()

function(_fpbx_test kind name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(kind STREQUAL "core")
    target_link_libraries(${name} PRIVATE fpbx_test_main_core ${ARG_DEPENDS})
    target_precompile_headers(${name} PRIVATE ${FPBX_CORE_TEST_PCH})
    set_property(GLOBAL APPEND PROPERTY FPBX_CORE_TESTS ${name})
  else()
    target_link_libraries(${name} PRIVATE fpbx_test_main ${ARG_DEPENDS})
    target_precompile_headers(${name} PRIVATE ${FPBX_TEST_PCH})
  endif()
  add_dependencies(${name} fpbx_template_db fpbx-reader)
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8"
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
endfunction()

function(fpbx_add_core_test name)
  _fpbx_test(core ${name} ${ARGN})
endfunction()

function(fpbx_add_test name)
  _fpbx_test(ui ${name} ${ARGN})
endfunction()
