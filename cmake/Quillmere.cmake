# Shared compile settings for every target of the project.

add_library(quillmere_options INTERFACE)
target_compile_options(quillmere_options INTERFACE -Wall -Wextra)
target_compile_definitions(quillmere_options INTERFACE QT_NO_KEYWORDS)

if(QUILLMERE_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(quillmere_options INTERFACE ${_san})
  target_link_options(quillmere_options INTERFACE ${_san})
endif()

if(QUILLMERE_FUZZ)
  target_compile_options(quillmere_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(quillmere_options INTERFACE -fsanitize=address,undefined)
endif()

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Svg Test)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)

# quillmere_library(NAME DIR [DEPS ...]): one library per source folder, its sources
# found by glob so that adding a file needs no edit here.
function(quillmere_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;DIRS" ${ARGN})
  set(_dirs ${CMAKE_CURRENT_SOURCE_DIR} ${ARG_DIRS})
  set(_sources)
  foreach(d ${_dirs})
    file(GLOB _found CONFIGURE_DEPENDS ${d}/*.cpp ${d}/*.h ${d}/*.qrc)
    list(APPEND _sources ${_found})
  endforeach()
  list(FILTER _cpp INCLUDE REGEX "x^")
  foreach(f ${_sources})
    if(f MATCHES "\\.cpp$")
      list(APPEND _cpp ${f})
    endif()
  endforeach()
  if(_cpp)
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC quillmere_options ${ARG_DEPS})
  else()
    # Nothing to compile yet: an interface target keeps the dependents linking.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE quillmere_options ${ARG_DEPS})
  endif()
endfunction()
