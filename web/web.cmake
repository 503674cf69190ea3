# The browser build: `emcmake cmake -S . -B build-web` (make web) includes this
# instead of the desktop build. The game's code is the same; the platform is
# the software renderer with the browser backend (src/platform/web/), and the
# entry hands the frame to the browser's own scheduling. The page is ours
# (web/index.html), not the toolchain's.
#
# Output in the build folder: index.html, delve.js, delve.wasm and delve.data
# (the tiles and the font), and delve_web_tests.js, the window-free unit tests
# run under node.

# Debian's headers that the program needs, copied out of /usr/include, which
# as a whole is the desktop's and no place for this compiler to look: xxhash,
# header-only (the same digest code as the desktop's), and stb (PNG and TrueType).
configure_file(/usr/include/xxhash.h ${CMAKE_BINARY_DIR}/include/xxhash.h COPYONLY)
foreach(header stb_image.h stb_image_write.h stb_truetype.h)
  configure_file(/usr/include/stb/${header} ${CMAKE_BINARY_DIR}/include/stb/${header} COPYONLY)
endforeach()

file(GLOB WEB_GAME_SOURCES CONFIGURE_DEPENDS
  src/shell/*.cpp src/world/*.cpp src/entities/*.cpp src/presentation/*.cpp)
file(GLOB WEB_LAYER_SOURCES CONFIGURE_DEPENDS src/platform/*.cpp src/platform/web/*.cpp)
# The desktop's backend stays on the desktop.
list(FILTER WEB_LAYER_SOURCES EXCLUDE REGEX "/backend_sdl[^/]*\\.cpp$")

add_library(delve_core STATIC ${WEB_GAME_SOURCES} ${WEB_LAYER_SOURCES})
target_include_directories(delve_core PUBLIC src)
# What this toolchain's C++ library lacks (web/compat/), then the headers above.
target_include_directories(delve_core SYSTEM BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/web/compat)
target_include_directories(delve_core SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/include)
target_compile_definitions(delve_core PUBLIC
  DELVE_VERSION="${PROJECT_VERSION}" DELVE_DATA_DIR="/" DELVE_DATA_FROM_BINARY="."
  PRIVATE XXH_INLINE_ALL)
# stb's own code is not ours to warn about.
set_source_files_properties(src/platform/stb.cpp PROPERTIES COMPILE_OPTIONS "-w")

# What the page fetches beside the program: the tiles and the font, as the
# game looks for them from its working folder.
set(WEB_DATA_FILES resources/tiles.png)
file(GLOB WEB_FONTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.ttf)
foreach(font ${WEB_FONTS})
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${font})
  list(APPEND WEB_DATA_FILES ${rel})
endforeach()
set(WEB_PRELOAD "")
foreach(f ${WEB_DATA_FILES})
  # SHELL: keeps each flag with its file (CMake folds repeated options into one).
  list(APPEND WEB_PRELOAD "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/${f}@/${f}")
endforeach()

# Common link settings: memory may grow (a frame's buffers are allocated at
# start-up); no exit when main returns, since the browser runs the frames.
set(WEB_LINK -sALLOW_MEMORY_GROWTH=1 -ffp-contract=off -fno-fast-math)

add_executable(delve src/main_web.cpp)
target_link_libraries(delve PRIVATE delve_core)
target_link_options(delve PRIVATE ${WEB_LINK} ${WEB_PRELOAD} -sEXIT_RUNTIME=0
  -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS,ccall -sEXPORTED_FUNCTIONS=_main,_malloc,_free)
set_target_properties(delve PROPERTIES SUFFIX ".js" LINK_DEPENDS "${CMAKE_SOURCE_DIR}/resources/tiles.png")
# The page, and the shipped demos to try with ?play=demos/NAME.dem or ?timedemo=.
add_custom_command(TARGET delve POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/index.html ${CMAKE_BINARY_DIR}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/tests/demos ${CMAKE_BINARY_DIR}/demos)

# The unit tests that need no window, under node: the world, the terrain, the
# motion, the camera, the light, the frame's fit and the options.
set(GTEST_SRC /usr/src/googletest/googletest)
add_library(web_gtest STATIC ${GTEST_SRC}/src/gtest-all.cc ${GTEST_SRC}/src/gtest_main.cc)
target_include_directories(web_gtest SYSTEM PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})
add_executable(delve_web_tests
  tests/web/web_backend_test.cpp
  tests/camera_test.cpp tests/fit_test.cpp tests/motion_test.cpp tests/options_test.cpp
  tests/presentation_test.cpp tests/terrain_test.cpp tests/world_test.cpp)
target_include_directories(delve_web_tests PRIVATE tests)
target_link_libraries(delve_web_tests PRIVATE delve_core web_gtest)
# One file (the program inlined): this toolchain's loader would otherwise
# fetch() a file path under a node that has fetch.
target_link_options(delve_web_tests PRIVATE ${WEB_LINK} -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)
set_target_properties(delve_web_tests PROPERTIES SUFFIX ".js")
