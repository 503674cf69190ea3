# The browser build: `emcmake cmake -S . -B build-web` (make web) includes this
# instead of the desktop build. The game's code is the same; the platform is
# the renderer and the layer with the browser backend (src/backends/web/), and the
# entry hands the frame to the browser's own scheduling. The page is ours
# (web/index.html), not the toolchain's.
#
# Output in the build folder: index.html, delve.js, delve.wasm and delve.data
# (the tiles and the font); the touch controls (touch.js), the service worker
# (sw.js), the manifest and its icons, which make the page installable and
# playable offline; demos/ (the shipped demos); and the unit tests
# that run under node: delve_web_tests.js and delve_web_renderer_tests.js.

# Debian's headers that the program needs, copied out of /usr/include, which
# as a whole is the desktop's and no place for this compiler to look: xxhash,
# header-only (the same digest code as the desktop's), and stb (PNG and TrueType).
configure_file(/usr/include/xxhash.h ${CMAKE_BINARY_DIR}/include/xxhash.h COPYONLY)
foreach(header stb_image.h stb_image_write.h stb_truetype.h)
  configure_file(/usr/include/stb/${header} ${CMAKE_BINARY_DIR}/include/stb/${header} COPYONLY)
endforeach()

# WebAssembly's vector instructions, which every current browser has: the
# compiler vectorises the frame's loops with them (the present's byte swap
# above all), and the shipped demos play a fifth to a third faster in
# Chromium. The page says so when a browser lacks them. With them, the
# memory copies of the bulk-memory instructions (every browser that has the
# vector ones has these): the copies of tile rows are short and many, and
# the descent demo plays about a fifth faster. -O3 is the Release build's
# already, at compile and at link.
add_compile_options(-msimd128 -mbulk-memory)

# The same rooms as the desktop's (cmake/rooms.cmake), the data in the page's
# own files; what this toolchain's C++ library lacks (web/compat/) comes
# first, then the headers above.
include(cmake/rooms.cmake)
delve_rooms(/ .)
target_include_directories(delve_render SYSTEM BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/web/compat)
target_include_directories(delve_render SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/include)
target_compile_definitions(delve_core PRIVATE XXH_INLINE_ALL)
# Link-time optimisation for the game and the layer: zoomed out, a frame makes
# a hundred thousand calls from the tile drawing into the renderer, and each
# call not inlined across files hands its rectangles and colour over through
# memory (this target passes records by address). Measured side by side, the
# zoomed-out demo plays about half as fast again in Chromium.
foreach(room delve_render delve_platform delve_core)
  target_compile_options(${room} PRIVATE -flto)
endforeach()
# stb's code kept in its own small functions: a browser optimises a function
# in the background once it has run long enough, and the caption's rasterizer,
# folded whole into the layer's one function that rasterizes a caption (11 kB
# of code), ran that long in a demo's first frame only, then kept Chromium's
# optimiser busy for 20-77 ms of the first frames' time on a 2-core machine,
# ahead of the frame's own functions. Split, no part of it runs long enough to
# be optimised; the PNG reader likewise. Measured side by side, alternating:
# the descent demo plays 6-20 % faster in Chromium.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/render/stb.cpp APPEND PROPERTY COMPILE_OPTIONS -fno-inline)

# The browser backend: objects that go straight into each program beside the
# library, which calls them and which they call back.
file(GLOB WEB_BACKEND_SOURCES CONFIGURE_DEPENDS src/backends/web/*.cpp)
add_library(delve_web_backend OBJECT ${WEB_BACKEND_SOURCES})
target_include_directories(delve_web_backend PUBLIC src)
target_compile_options(delve_web_backend PRIVATE -flto)

# What the page fetches beside the program (delve.data): the game's data
# files, where the game looks for them from its working folder.
set(WEB_PRELOAD "")
foreach(f ${DELVE_DATA_FILES})
  # SHELL: keeps each flag with its file (CMake folds repeated options into one).
  list(APPEND WEB_PRELOAD "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/${f}@/${f}")
endforeach()

# Common link settings: memory may grow (a frame's buffers are allocated at
# start-up); no exit when main returns, since the browser runs the frames.
# The WebAssembly optimiser folds no function into its only caller beyond
# what the compiler chose: a browser first runs each function unoptimised and
# optimises it in the background once it is hot, which for a whole frame
# folded into one function (some 15 kB of code) took longer than the descent
# demo lasts. The phases marked noinline (the tick, the light, the tiles) are
# optimised in the first frames instead, and a caption's rasterising, which
# runs once, stays out of the frame's code: the shipped demos play 10-15 %
# faster in Chromium (side by side, alternating).
set(WEB_LINK -sALLOW_MEMORY_GROWTH=1 -ffp-contract=off -fno-fast-math -msimd128 -mbulk-memory -flto
  -sBINARYEN_EXTRA_PASSES=--one-caller-inline-max-function-size=0)

add_executable(delve src/main_web.cpp)
target_link_libraries(delve PRIVATE delve_web_backend delve_core)
target_link_options(delve PRIVATE ${WEB_LINK} ${WEB_PRELOAD} -sEXIT_RUNTIME=0
  -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS,ccall -sEXPORTED_FUNCTIONS=_main,_malloc,_free)
set_target_properties(delve PROPERTIES SUFFIX ".js")
target_compile_options(delve PRIVATE -flto)
list(TRANSFORM DELVE_DATA_FILES PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE WEB_DATA_PATHS)
set_property(TARGET delve APPEND PROPERTY LINK_DEPENDS ${WEB_DATA_PATHS})

# The test page's program (test/ beside the page): the same game with the
# probes the browser tests read (tests/web/page_probes.cpp), which the
# page that players get does not carry. The page itself is copied there below.
add_executable(delve_test_page src/main_web.cpp tests/web/page_probes.cpp)
target_compile_options(delve_test_page PRIVATE -flto)
target_link_libraries(delve_test_page PRIVATE delve_web_backend delve_core)
target_link_options(delve_test_page PRIVATE ${WEB_LINK} ${WEB_PRELOAD} -sEXIT_RUNTIME=0
  -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=FS,ccall -sEXPORTED_FUNCTIONS=_main,_malloc,_free)
set_target_properties(delve_test_page PROPERTIES SUFFIX ".js" OUTPUT_NAME delve
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test)
set_property(TARGET delve_test_page APPEND PROPERTY LINK_DEPENDS ${WEB_DATA_PATHS})

# The page, its touch controls, and the shipped demos to try with
# ?play=demos/NAME.dem or ?timedemo=. The test page has the same page beside it.
file(GLOB WEB_DEMOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/demos/*.dem)
set(WEB_PAGE_FILES index.html touch.js manifest.webmanifest)
set(WEB_PAGE_OUTPUTS ${WEB_PAGE_FILES})
list(TRANSFORM WEB_PAGE_OUTPUTS PREPEND ${CMAKE_BINARY_DIR}/)
set(WEB_PAGE_SOURCES ${WEB_PAGE_FILES})
list(TRANSFORM WEB_PAGE_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/web/)
add_custom_command(OUTPUT ${WEB_PAGE_OUTPUTS}
  COMMAND ${CMAKE_COMMAND} -E copy ${WEB_PAGE_SOURCES} ${CMAKE_BINARY_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/demos
  COMMAND ${CMAKE_COMMAND} -E copy ${WEB_DEMOS} ${CMAKE_BINARY_DIR}/demos
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/test
  COMMAND ${CMAKE_COMMAND} -E copy ${WEB_PAGE_SOURCES} ${CMAKE_BINARY_DIR}/test
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/test/demos
  COMMAND ${CMAKE_COMMAND} -E copy ${WEB_DEMOS} ${CMAKE_BINARY_DIR}/test/demos
  DEPENDS ${WEB_PAGE_SOURCES} ${WEB_DEMOS})
# The installable page's icons, drawn from the tile sprite as the desktop's is.
set(WEB_ICONS ${CMAKE_BINARY_DIR}/icon-192.png ${CMAKE_BINARY_DIR}/icon-512.png)
add_custom_command(OUTPUT ${WEB_ICONS}
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh 192 ${CMAKE_BINARY_DIR}/icon-192.png
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh 512 ${CMAKE_BINARY_DIR}/icon-512.png
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh ${CMAKE_SOURCE_DIR}/resources/tiles.png)
# The service worker that keeps them all for offline play, its cache named
# after their content: written again whenever any of them changes.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/sw.js
  COMMAND node ${CMAKE_SOURCE_DIR}/web/make-sw.js ${CMAKE_BINARY_DIR}
  DEPENDS delve ${WEB_PAGE_OUTPUTS} ${WEB_ICONS} ${WEB_DATA_PATHS}
          ${CMAKE_SOURCE_DIR}/web/sw.js ${CMAKE_SOURCE_DIR}/web/make-sw.js)
add_custom_target(delve_page ALL DEPENDS ${WEB_PAGE_OUTPUTS} ${WEB_ICONS} ${CMAKE_BINARY_DIR}/sw.js)

# The unit tests that need no window, under node (ctest -L web in the desktop
# build runs them, from this folder): the world, the terrain, the motion, the
# camera, the light and the options with the browser backend's own tests (its
# page-free half), and the renderer's tests on their in-memory backend.
set(GTEST_SRC /usr/src/googletest/googletest)
add_library(web_gtest STATIC ${GTEST_SRC}/src/gtest-all.cc ${GTEST_SRC}/src/gtest_main.cc)
target_include_directories(web_gtest SYSTEM PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})
# One file each (the program inlined): this toolchain's loader would otherwise
# fetch() a file path under a node that has fetch. Their files are the
# toolchain's in-memory ones, with the tiles and the font inside, where the
# tests' capture of standard output works (on node's own files it does not).
string(REPLACE "--preload-file" "--embed-file" WEB_EMBED "${WEB_PRELOAD}")
set(WEB_TEST_LINK ${WEB_LINK} ${WEB_EMBED} -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)

add_executable(delve_web_tests
  tests/web/web_backend_test.cpp tests/camera_test.cpp tests/motion_test.cpp tests/options_test.cpp
  tests/presentation_test.cpp tests/streaming_test.cpp tests/terrain_test.cpp tests/world_test.cpp
  tests/harness/invariants.cpp)
target_include_directories(delve_web_tests PRIVATE tests)
target_link_libraries(delve_web_tests PRIVATE delve_web_backend delve_core web_gtest)
target_link_options(delve_web_tests PRIVATE ${WEB_TEST_LINK})
set_target_properties(delve_web_tests PROPERTIES SUFFIX ".js")

file(GLOB WEB_RENDERER_TESTS CONFIGURE_DEPENDS tests/renderer/*.cpp tests/harness/*.cpp tests/support/*.cpp
  src/backends/memory/*.cpp)
add_executable(delve_web_renderer_tests ${WEB_RENDERER_TESTS})
target_include_directories(delve_web_renderer_tests PRIVATE tests)
target_link_libraries(delve_web_renderer_tests PRIVATE delve_core web_gtest)
target_link_options(delve_web_renderer_tests PRIVATE ${WEB_TEST_LINK})
# The reference frames of the golden frame test, the desktop's own files.
file(GLOB WEB_GOLDEN CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/golden/*.png)
list(FILTER WEB_GOLDEN EXCLUDE REGEX "\\.(actual|diff)\\.png$")
foreach(f ${WEB_GOLDEN})
  get_filename_component(name ${f} NAME)
  target_link_options(delve_web_renderer_tests PRIVATE "SHELL:--embed-file ${f}@/tests/golden/${name}")
endforeach()
target_compile_definitions(delve_web_renderer_tests PRIVATE DELVE_GOLDEN_DIR="/tests/golden")
set_property(TARGET delve_web_renderer_tests APPEND PROPERTY LINK_DEPENDS ${WEB_GOLDEN})
set_target_properties(delve_web_renderer_tests PROPERTIES SUFFIX ".js")
# The font check's tests read the small fonts of the fuzz corpus, embedded beside the data.
target_compile_definitions(delve_web_renderer_tests PRIVATE DELVE_FUZZ_CORPUS="/fuzz-corpus")
target_link_options(delve_web_renderer_tests PRIVATE
  "SHELL:--embed-file ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/font@/fuzz-corpus/font")

set_property(TARGET delve_web_tests delve_web_renderer_tests APPEND PROPERTY LINK_DEPENDS ${WEB_DATA_PATHS})
