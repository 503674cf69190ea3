# The Windows build: `cmake -S . -B build-windows
# -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake` (make windows) includes
# this instead of the desktop build. The game and its SDL backend are the
# desktop's; SDL2 is Debian's own source of it built for Windows once
# (scripts/build-windows-sdl2.sh) and linked in statically with the C and C++
# runtimes, so the game needs no DLL beyond Windows' own.
#
# Output in the build folder: delve.exe with resources/ beside it, and the
# unit tests that need no window (delve_win_tests.exe,
# delve_win_renderer_tests.exe), which the desktop build's `ctest -L windows`
# runs under Wine.

set(DELVE_SDL2_PREFIX ${CMAKE_BINARY_DIR}/sdl2 CACHE PATH "SDL2 built for Windows (scripts/build-windows-sdl2.sh)")
find_package(SDL2 REQUIRED CONFIG PATHS ${DELVE_SDL2_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

# Debian's headers that the program needs, copied out of /usr/include, which
# as a whole is the desktop's and no place for this compiler to look: xxhash,
# header-only (the same digest code as the desktop's), and stb (PNG and TrueType).
configure_file(/usr/include/xxhash.h ${CMAKE_BINARY_DIR}/include/xxhash.h COPYONLY)
foreach(header stb_image.h stb_image_write.h stb_truetype.h)
  configure_file(/usr/include/stb/${header} ${CMAKE_BINARY_DIR}/include/stb/${header} COPYONLY)
endforeach()

# GCC 12 for Windows sees overlapping copies in std::string's own inlined code
# (GCC bug 105329) where none can be; the desktop's compiler does not.
add_compile_options(-Wno-restrict)

# The C and C++ runtimes and the threads library inside the program.
add_link_options(-static -static-libgcc -static-libstdc++)

# The renderer, the layer the game calls and the game, as on the desktop
# (cmake/rooms.cmake); the data lies beside the program (the zip's layout).
include(cmake/rooms.cmake)
delve_rooms(. .)
target_include_directories(delve_render SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/include)
target_compile_definitions(delve_core PRIVATE XXH_INLINE_ALL)

# The SDL backend, as on the desktop, with its Windows file (sdl_windows.cpp).
file(GLOB WIN_SDL_SOURCES CONFIGURE_DEPENDS src/backends/sdl/*.cpp)
add_library(delve_backend_sdl OBJECT ${WIN_SDL_SOURCES})
target_include_directories(delve_backend_sdl PUBLIC src)
target_link_libraries(delve_backend_sdl PUBLIC SDL2::SDL2-static)

# The icon (the desktop's, drawn from the tile sprite by scripts/make-icon.sh)
# at the sizes Windows shows, 256 for Explorer's large views down to 16, and
# the version, in the program's resources.
find_program(DELVE_CONVERT convert REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/delve.ico
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh 256 ${CMAKE_BINARY_DIR}/delve-256.png
  COMMAND ${DELVE_CONVERT} ${CMAKE_BINARY_DIR}/delve-256.png -filter point
          -define icon:auto-resize=256,64,48,32,16 ${CMAKE_BINARY_DIR}/delve.ico
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh ${CMAKE_SOURCE_DIR}/resources/tiles.png)
configure_file(windows/delve.rc.in ${CMAKE_BINARY_DIR}/delve.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/delve.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/delve.ico)
enable_language(RC)

# A windowed program (no console of its own on a double click); started from
# a console it writes there (backend_sdl_windows.cpp).
add_executable(delve WIN32 src/main.cpp ${CMAKE_BINARY_DIR}/delve.rc)
target_link_libraries(delve PRIVATE delve_backend_sdl delve_core)
# Shipped without its symbols: a third of its size.
target_link_options(delve PRIVATE -s)
add_custom_target(delve_resources ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/resources)
add_dependencies(delve delve_resources)

# `make windows-zip`: the program, its data, a short README and the licences.
# The README with Windows' line ends, for every Notepad.
configure_file(windows/README.txt ${CMAKE_BINARY_DIR}/README.txt NEWLINE_STYLE CRLF)
set(WIN_ZIP ${CMAKE_SOURCE_DIR}/delve-windows.zip CACHE FILEPATH "make windows-zip's archive")
add_custom_target(delve_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf zip ${WIN_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory zip/delve/resources zip/delve/licences
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:delve> zip/delve/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/tiles.png ${CMAKE_SOURCE_DIR}/resources/DejaVuSans.ttf
          ${CMAKE_SOURCE_DIR}/resources/DejaVuSans-LICENSE.txt zip/delve/resources/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/README.txt zip/delve/
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/copyright zip/delve/licences/delve-copyright.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${DELVE_SDL2_PREFIX}/share/licenses/SDL2/LICENSE.txt zip/delve/licences/SDL2-LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/DejaVuSans-LICENSE.txt
          zip/delve/licences/DejaVuSans-LICENSE.txt
  # The C runtime and threads library (mingw-w64) and GCC's runtime libraries, linked in.
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/mingw-w64-x86-64-dev/copyright
          zip/delve/licences/mingw-w64-runtime-copyright.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/doc/gcc-mingw-w64-base/copyright zip/delve/licences/gcc-runtime-copyright.txt
  COMMAND cd zip && zip -q -X -r ${WIN_ZIP} delve
  DEPENDS delve
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  VERBATIM)

# The unit tests that need no window, for Wine (ctest -L windows in the
# desktop build runs them from this folder): the world, the terrain, the
# motion, the camera, the light, the options, demos and the settings file on the SDL
# backend's headless driver, and the renderer's tests on their in-memory backend.
set(GTEST_SRC /usr/src/googletest/googletest)
add_library(win_gtest STATIC ${GTEST_SRC}/src/gtest-all.cc ${GTEST_SRC}/src/gtest_main.cc)
target_include_directories(win_gtest SYSTEM PUBLIC ${GTEST_SRC}/include PRIVATE ${GTEST_SRC})

add_executable(delve_win_tests
  tests/camera_test.cpp tests/demo_test.cpp tests/motion_test.cpp tests/options_test.cpp tests/presentation_test.cpp
  tests/settings_test.cpp tests/streaming_test.cpp tests/terrain_test.cpp tests/world_test.cpp
  tests/harness/invariants.cpp tests/harness/headless.cpp)
target_include_directories(delve_win_tests PRIVATE tests)
target_link_libraries(delve_win_tests PRIVATE delve_backend_sdl delve_core win_gtest)
add_dependencies(delve_win_tests delve_resources)

file(GLOB WIN_RENDERER_TESTS CONFIGURE_DEPENDS tests/renderer/*.cpp tests/harness/*.cpp tests/support/*.cpp
  src/backends/memory/*.cpp)
add_executable(delve_win_renderer_tests ${WIN_RENDERER_TESTS})
target_include_directories(delve_win_renderer_tests PRIVATE tests)
target_link_libraries(delve_win_renderer_tests PRIVATE delve_core win_gtest)
add_dependencies(delve_win_renderer_tests delve_resources)
# The reference frames and the font check's small fonts, read in place (Wine
# sees the source tree through its drive of the whole file system).
target_compile_definitions(delve_win_renderer_tests PRIVATE DELVE_GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden"
                           DELVE_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/tests/fuzz/corpus")

# Starts the game in its console and sends it the console's Ctrl+C (the
# console test, tests/windows/console.sh).
add_executable(console_ctrl tests/windows/console_ctrl.cpp)
