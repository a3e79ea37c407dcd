# Warnings are errors in our own code only: Qt and system headers come in as system includes.
function(pelicarta_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wimplicit-fallthrough -Werror)
endfunction()

# One static library per source folder, from every .cpp/.h in it.
function(pelicarta_library name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  pelicarta_warnings(${name})
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
