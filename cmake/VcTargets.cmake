# Warnings apply to our own targets only.
function(vc_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
  # g++ 12 reports std::string assignments of short literals as overlapping
  # copies at -O2 (GCC bug 105329): a false positive.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(VC_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# One static library per folder; includes are rooted at the project top
# ("text/numbers.hpp", "engine/context.hpp"). A library sees only its own
# folder and the folders of the libraries it depends on, so a header of a
# higher layer cannot be included from a lower one: each library gets an
# include tree in the build folder with links to just those folders.
function(vc_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(folders ${folder})
  foreach(dep ${ARG_DEPS})
    get_property(dep_folders GLOBAL PROPERTY VC_LAYER_FOLDERS_${dep})
    list(APPEND folders ${dep_folders})
  endforeach()
  list(REMOVE_DUPLICATES folders)
  set_property(GLOBAL PROPERTY VC_LAYER_FOLDERS_${name} ${folders})
  set(root ${PROJECT_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  foreach(visible ${folders})
    get_filename_component(parent ${root}/${visible} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${visible} ${root}/${visible} SYMBOLIC)
  endforeach()
  target_include_directories(${name} PUBLIC ${root} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  vc_warnings(${name})
endfunction()
