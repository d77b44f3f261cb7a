# fpbx_core_library(<name> SOURCES ... [DEPENDS ...])
#   A static library of program logic. It may use Qt Core but never Qt Gui or Widgets;
#   it joins fpbx_core.
# fpbx_ui_library(<name> SOURCES ... [DEPENDS ...])
#   A static library of windows and dialogs on top of the core; it joins fpbx_ui.
# fpbx_add_core_test(<name> SOURCES ... [DEPENDS ...] [PG_SERVER])
#   A GoogleTest executable of core logic: it runs under a QCoreApplication and links the core
#   libraries only (the link check test holds it to that). With PG_SERVER its tests run with the
#   throw-away PostgreSQL server of the test run (the pgserver fixture).
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
  cmake_parse_arguments(ARG "PG_SERVER" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(kind STREQUAL "core")
    target_link_libraries(${name} PRIVATE fpbx_test_main_core ${ARG_DEPENDS})
    target_precompile_headers(${name} REUSE_FROM fpbx_test_pch_core)
    set_property(GLOBAL APPEND PROPERTY FPBX_CORE_TESTS ${name})
  else()
    target_link_libraries(${name} PRIVATE fpbx_test_main ${ARG_DEPENDS})
    target_precompile_headers(${name} REUSE_FROM fpbx_test_pch)
  endif()
  fpbx_test_flags(${name})
  add_dependencies(${name} fpbx_template_db fpbx-reader)
  # One variable only: gtest_discover_tests passes the properties on as a flat list, so a
  # second variable would be read as a property name.
  set(fixture "")
  if(ARG_PG_SERVER)
    set(fixture FIXTURES_REQUIRED pgserver)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${fixture}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
endfunction()

function(fpbx_add_core_test name)
  _fpbx_test(core ${name} ${ARGN})
endfunction()

function(fpbx_add_test name)
  _fpbx_test(ui ${name} ${ARGN})
endfunction()

# Flags every test shares, so that each may reuse the precompiled headers of fpbx_test_pch*: Qt
# Test defines its folders per target, which no test uses and which would make each header
# unfit for all but one test. A header that does not fit would silently be compiled again.
function(fpbx_test_flags name)
  target_compile_options(${name} PRIVATE -Winvalid-pch -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)
endfunction()
