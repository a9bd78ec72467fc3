# Build layout mirrors the installed layout, so the program runs the same from
# the build tree and from an install prefix:
#   bin/qmt, bin/qmt-reg
#   lib/quillmate/            private shared libraries
#   lib/quillmate/components/ component plug-ins, created by class name
set(QM_PRIVATE_LIBDIR "lib/quillmate")
set(QM_COMPONENTS_DIR "${QM_PRIVATE_LIBDIR}/components")

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/${QM_PRIVATE_LIBDIR}")
set(QM_BUILD_COMPONENTS_DIR "${CMAKE_BINARY_DIR}/${QM_COMPONENTS_DIR}")

set(CMAKE_SKIP_BUILD_RPATH OFF)
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)

add_compile_definitions(
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
  QT_NO_CAST_FROM_BYTEARRAY QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER QT_DISABLE_DEPRECATED_BEFORE=0x060400)

option(QM_WARNINGS_AS_ERRORS "Fail the build on a compiler warning (on in scripts/test)" OFF)

function(qm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wno-missing-field-initializers)
  if(QM_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A private shared library of the program (lib/quillmate).
function(qm_library target)
  add_library(${target} SHARED ${ARGN})
  qm_warnings(${target})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN"
    CXX_VISIBILITY_PRESET default)
  install(TARGETS ${target} LIBRARY DESTINATION ${QM_PRIVATE_LIBDIR})
endfunction()

# A component plug-in (lib/quillmate/components).
function(qm_component target)
  add_library(${target} MODULE ${ARGN})
  qm_warnings(${target})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY "${QM_BUILD_COMPONENTS_DIR}"
    INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS ${target} LIBRARY DESTINATION ${QM_COMPONENTS_DIR})
  set_property(GLOBAL APPEND PROPERTY QM_COMPONENT_TARGETS ${target})
endfunction()

# A program (bin/).
function(qm_executable target)
  add_executable(${target} ${ARGN})
  qm_warnings(${target})
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/../${QM_PRIVATE_LIBDIR}")
endfunction()

# One Qt Test executable per area, run offscreen with its own registry folder.
function(qm_test target)
  add_executable(${target} ${ARGN})
  qm_warnings(${target})
  target_link_libraries(${target} PRIVATE Qt6::Test)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests"
    INSTALL_RPATH "$ORIGIN/../${QM_PRIVATE_LIBDIR}")
  # Offscreen through QT_QPA_PLATFORM: core tests (QCoreApplication) refuse -platform.
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUILLMATE_COMPONENTS=${QM_BUILD_COMPONENTS_DIR};QUILLMATE_BUILD_DIR=${CMAKE_BINARY_DIR}")
  get_property(components GLOBAL PROPERTY QM_COMPONENT_TARGETS)
  if(components)
    add_dependencies(${target} ${components})
  endif()
endfunction()
