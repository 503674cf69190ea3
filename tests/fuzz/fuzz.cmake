# The fuzz build (make fuzz; `cmake -S . -B build-fuzz -DDELVE_FUZZ=ON` with
# clang): one libFuzzer program per reader of outside bytes, each calling the
# function the game calls on them, built as the game is (RelWithDebInfo) with
# AddressSanitizer and UndefinedBehaviorSanitizer over everything. They run on
# the in-memory backend: no window, no SDL. `ctest` here replays every kept
# corpus once; `make fuzz` (scripts/fuzz.sh) searches for new inputs.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "the fuzz build needs clang (CXX=clang++): libFuzzer is clang's")
endif()

find_package(PkgConfig REQUIRED)
pkg_check_modules(XXHASH REQUIRED IMPORTED_TARGET libxxhash)
find_path(STB_INCLUDE_DIR stb/stb_truetype.h REQUIRED)

# Every object is instrumented for coverage and checked; only the programs'
# link brings libFuzzer's main.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)

# The renderer, the layer the game calls, the game, and the backend that keeps
# its window in memory; the browser backend's key names, which are plain C++.
file(GLOB FUZZ_GAME_SOURCES CONFIGURE_DEPENDS src/render/*.cpp src/platform/*.cpp
  src/shell/*.cpp src/world/*.cpp src/entities/*.cpp src/presentation/*.cpp)
add_library(fuzz_game STATIC ${FUZZ_GAME_SOURCES} src/backends/memory/memory_backend.cpp src/backends/web/web_keys.cpp)
target_include_directories(fuzz_game PUBLIC src tests)
target_include_directories(fuzz_game SYSTEM PUBLIC ${STB_INCLUDE_DIR})
# The game's data is found in the source tree, as from a build folder.
target_compile_definitions(fuzz_game PUBLIC
  DELVE_VERSION="${PROJECT_VERSION}" DELVE_DATA_DIR="${CMAKE_SOURCE_DIR}" DELVE_DATA_FROM_BINARY=".")
target_link_libraries(fuzz_game PUBLIC PkgConfig::XXHASH)
set_source_files_properties(src/render/stb.cpp PROPERTIES COMPILE_OPTIONS "-w")

enable_testing()
set(FUZZ_TARGETS demo settings options web_keys image font)
foreach(name ${FUZZ_TARGETS})
  add_executable(fuzz_${name} tests/fuzz/fuzz_${name}.cpp tests/fuzz/fuzz_files.cpp)
  target_link_libraries(fuzz_${name} PRIVATE fuzz_game)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  # The kept corpus, each input once: a crash fixed stays fixed.
  add_test(NAME fuzz_replay_${name}
    COMMAND fuzz_${name} -runs=0 -rss_limit_mb=256 -timeout=10 ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()
