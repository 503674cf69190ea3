# The rooms of the house as libraries (docs/architecture.md), the same for
# every build (the desktop's, the browser's, Windows'): delve_render (the
# frame in memory and all drawing), delve_platform (what the game calls) on
# it, and delve_core (the game) on that. Each build adds what its compiler
# needs (include folders, the digest library) to these targets.
#   delve_rooms(DATA_DIR DATA_FROM_BINARY)
# DATA_DIR: the installed data folder; DATA_FROM_BINARY: the same, as found
# from the program's own folder (an installed tree that was moved).
function(delve_rooms data_dir data_from_binary)
  file(GLOB render_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/render/*.cpp)
  add_library(delve_render STATIC ${render_sources})
  target_include_directories(delve_render PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(delve_render PUBLIC
    DELVE_VERSION="${PROJECT_VERSION}" DELVE_DATA_DIR="${data_dir}" DELVE_DATA_FROM_BINARY="${data_from_binary}")

  file(GLOB platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/*.cpp)
  add_library(delve_platform STATIC ${platform_sources})
  target_link_libraries(delve_platform PUBLIC delve_render)

  file(GLOB core_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/shell/*.cpp ${PROJECT_SOURCE_DIR}/src/world/*.cpp
    ${PROJECT_SOURCE_DIR}/src/entities/*.cpp ${PROJECT_SOURCE_DIR}/src/presentation/*.cpp)
  add_library(delve_core STATIC ${core_sources})
  target_link_libraries(delve_core PUBLIC delve_platform)
endfunction()

# stb's own code is not ours to warn about (a directory's property: set where
# the build's list is read).
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/render/stb.cpp PROPERTIES COMPILE_OPTIONS "-w")
