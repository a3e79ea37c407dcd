# Warnings are errors in our own code only: Qt and system headers come in as system includes.
function(pelicarta_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wnull-dereference -Wimplicit-fallthrough -Werror)
endfunction()

# One static library per source folder, from every .cpp/.h in it.
function(pelicarta_library name dir)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  pelicarta_warnings(${name})
endfunction()
