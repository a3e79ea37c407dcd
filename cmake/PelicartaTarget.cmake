# Warnings are errors in our own code only: Qt and system headers come in as system includes.
function(pelicarta_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wimplicit-fallthrough -Werror)
  # GCC takes a .cpp a unity batch includes for a header, and would warn of every test fixture in an
  # anonymous namespace as of a type shared between files; each is still in one file only.
  if(PELICARTA_UNITY AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  endif()
endfunction()

# One layer of the source tree: the library pelicarta_<name>, built from every .cpp/.h under its
# folders (by default the folder <name>), less the subfolders an earlier layer claimed (brand/art is
# part of core). It links the layers it USES, and through them every layer below. A layer may use only
# what it links: the include check (tests/layering) holds every file to that, and files of other layers
# to the one header a layer names as its ENTRY, when it names one.
#   pelicarta_layer(<name> [FOLDERS <folder>...] [USES <layer>...] [ENTRY <header>])
function(pelicarta_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 _layer "" "ENTRY" "FOLDERS;USES")
  if(NOT _layer_FOLDERS)
    set(_layer_FOLDERS ${name})
  endif()
  get_property(_claimed GLOBAL PROPERTY PELICARTA_CLAIMED_FOLDERS)
  set(_sources "")
  foreach(_folder ${_layer_FOLDERS})
    file(GLOB_RECURSE _found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${_folder}/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/${_folder}/*.h)
    foreach(_other ${_claimed})
      list(FILTER _found EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${_other}/")
    endforeach()
    list(APPEND _sources ${_found})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY PELICARTA_CLAIMED_FOLDERS ${_layer_FOLDERS})
  set(_target pelicarta_${name})
  list(TRANSFORM _layer_USES PREPEND pelicarta_)
  if(_sources)
    add_library(${_target} STATIC ${_sources})
    target_include_directories(${_target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${_target} PUBLIC ${_layer_USES})
    pelicarta_warnings(${_target})
    pelicarta_autogen_tracks_sources(${_target})
    if(name STREQUAL "platform" OR name STREQUAL "pagetext" OR name STREQUAL "core")
      pelicarta_precompiled_headers(${_target} GUI)
    else()
      pelicarta_precompiled_headers(${_target} WIDGETS)
    endif()
  else()
    # A folder still waiting for its first file.
    add_library(${_target} INTERFACE)
    target_include_directories(${_target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${_target} INTERFACE ${_layer_USES})
  endif()
endfunction()

# Sources come from globs; AUTOMOC does not notice a file added later (its Ninja rule only follows the
# files it already knew). When the list of sources changes, its timestamp is removed so that it rescans.
function(pelicarta_autogen_tracks_sources target)
  get_target_property(_sources ${target} SOURCES)
  list(SORT _sources)
  string(REPLACE ";" "\n" _content "${_sources}")
  set(_list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_sources.txt)
  set(_old "")
  if(EXISTS ${_list_file})
    file(READ ${_list_file} _old)
  endif()
  if(NOT _old STREQUAL "${_content}")
    file(WRITE ${_list_file} "${_content}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
  endif()
endfunction()

# Qt's headers are most of what a file of ours compiles, and nearly every file includes the same few: they
# are compiled once per set below, into a target of their own with our flags, and every library
# and test program reuses that. A file still includes what it uses: -DPELICARTA_PCH=OFF builds without
# them, which checks it. The layers below the interface kit get the set without QtWidgets, so that their
# includes still say whether they use it. Clang's precompiled headers halve the fuzz build's libraries too.
option(PELICARTA_PCH "Precompile the Qt headers most files include" ON)
set(PELICARTA_PCH_GUI <QByteArray> <QColor> <QCoreApplication> <QDir> <QFile> <QFileInfo> <QGuiApplication>
  <QHash> <QImage> <QJsonObject> <QList> <QObject> <QPainter> <QRectF> <QString> <QStringList> <QThreadPool>
  <QTimer> <algorithm> <functional> <memory> <optional> <vector>)
set(PELICARTA_PCH_WIDGETS ${PELICARTA_PCH_GUI} <QAbstractButton> <QApplication> <QBoxLayout> <QLabel> <QLineEdit>
  <QMouseEvent> <QPointer> <QWidget>)
set(PELICARTA_PCH_TESTS ${PELICARTA_PCH_WIDGETS} <QSignalSpy> <QTest> <gtest/gtest.h>)
#   pelicarta_precompiled_headers(<target> GUI|WIDGETS|TESTS)
function(pelicarta_precompiled_headers target set)
  if(NOT PELICARTA_PCH OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    return()
  endif()
  string(TOLOWER ${set} _name)
  set(_carrier pelicarta_pch_${_name})
  if(NOT TARGET ${_carrier})
    set(_source ${PROJECT_BINARY_DIR}/${_carrier}.cpp)
    file(CONFIGURE OUTPUT ${_source} CONTENT "// The precompiled headers' own translation unit.\n")
    add_library(${_carrier} OBJECT ${_source})
    target_link_libraries(${_carrier} PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Concurrent Qt6::DBus
      Qt6::Network Qt6::Svg)
    if(set STREQUAL "TESTS")
      target_link_libraries(${_carrier} PRIVATE GTest::gtest GTest::gmock Qt6::Test)
    endif()
    pelicarta_warnings(${_carrier})
    target_precompile_headers(${_carrier} PRIVATE ${PELICARTA_PCH_${set}})
  endif()
  target_precompile_headers(${target} REUSE_FROM ${_carrier})
endfunction()
