# Entry points: `make run` plays, `make test` runs every test, `make bench` times the hot paths,
# `make format` formats every C++ file, `make package` builds the Debian package (in build-package/),
# `make fuzz` fuzzes every reader of outside bytes (in build-fuzz/).
# `make web` builds the browser build (in build-web/), `make web-serve` serves it on 127.0.0.1,
# `make web-zip` packs it as delve-web.zip for any static host.
# `make windows` builds the game for Windows (in build-windows/, with mingw-w64),
# `make windows-zip` packs it as delve-windows.zip.
# Each first installs whatever Debian packages are missing.
BUILD ?= build
JOBS ?= $(shell nproc)
WEB_BUILD ?= build-web
WEB_PORT ?= 8000
WIN_BUILD ?= build-windows
# Debian's emscripten links its -O2 builds with node modules found here.
export NODE_PATH := /usr/share/nodejs

.PHONY: run test bench build deps format clean package web web-deps web-serve web-zip mutate fuzz fuzz-build \
        windows windows-deps windows-zip

deps:
	@bash scripts/install-deps.sh

# The desktop build's windows tests run the Windows build in $(WIN_BUILD).
build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDELVE_WINDOWS_BUILD=$(abspath $(WIN_BUILD))
	cmake --build $(BUILD) -j $(JOBS)

# Builds the game alone, quietly: its output goes to $(BUILD)/run-build.log and
# is shown in full only when the build fails. The tests, benchmarks and
# screenshot tool are left to `make test`.
run: deps
	@echo "building the game in $(BUILD)/ (log: $(BUILD)/run-build.log)"
	@mkdir -p $(BUILD)
	@{ cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo && \
	   cmake --build $(BUILD) -j $(JOBS) --target delve; } >$(BUILD)/run-build.log 2>&1 || \
	   { cat $(BUILD)/run-build.log; echo "make run: the build failed (above)" >&2; exit 1; }
	./$(BUILD)/delve

# `make test` then builds the game and its tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them there too; any report fails. The soak
# plays fewer frames in that build; the e2e plays, which drive a real X
# server whose drivers are not ours to check, and the install and package
# checks, which build their own trees, run in the plain build only.
ASAN_BUILD ?= build-asan
ASAN_SOAK_FRAMES ?= 10000

test: build web windows
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDELVE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS) --target delve delve_tests delve_alloc_test delve_renderer_tests
	cd $(ASAN_BUILD) && DELVE_SOAK_FRAMES=$(ASAN_SOAK_FRAMES) ctest --output-on-failure -j $(JOBS) -LE "e2e|package"
	$(MAKE) fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS)

# The fuzz build (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer):
# one program per reader of outside bytes (tests/fuzz/). `make test` replays
# each kept corpus once there; `make fuzz` searches for FUZZ_SECONDS per
# target on every core and prints what it found (scripts/fuzz.sh).
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300

fuzz-build:
	@bash scripts/install-fuzz-deps.sh
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DDELVE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz:
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(JOBS) bash scripts/fuzz.sh

# Then the whole game, frame for frame: the shipped demos played unpaced.
bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software $$b || exit 1; done
	@for d in descent zoomed-out; do echo "== timedemo tests/demos/$$d.dem"; \
	  SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software ./$(BUILD)/delve --timedemo tests/demos/$$d.dem >/dev/null || exit 1; done

# The mutation check (slow, and not part of `make test`): every one-line fault
# of tests/mutants.txt against the fast part of the suite, in a scratch tree
# under /tmp. `make mutate MUTANTS="light 40-52"` runs some of them.
mutate: deps
	JOBS=$(JOBS) bash scripts/mutate.sh $(MUTANTS)

# Rewrites every C++ file in the house style of .clang-format; `make test` fails
# (its ctest format_check) while a file is not in it.
format: deps
	bash scripts/format.sh

package: deps
	JOBS=$(JOBS) bash scripts/package.sh build-package

# The browser build: the game in WebAssembly on a canvas, with its own page.
web-deps:
	@bash scripts/install-web-deps.sh

web: web-deps
	emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WEB_BUILD) -j $(JOBS)

web-serve: web
	node web/serve.js $(WEB_BUILD) $(WEB_PORT)

# The files a static host needs, at the top of the archive: the page and the
# game, and what makes them installable and playable offline.
WEB_FILES = index.html delve.js delve.wasm delve.data touch.js sw.js manifest.webmanifest icon-192.png icon-512.png
web-zip: web
	rm -f delve-web.zip
	cd $(WEB_BUILD) && zip -q -X ../delve-web.zip $(WEB_FILES)
	@echo "delve-web.zip: $$(unzip -Z1 delve-web.zip | tr '\n' ' ')"

# The Windows build: the game cross-compiled with mingw-w64, SDL2 built once
# from Debian's source of it into $(WIN_BUILD)/sdl2 and linked in statically.
# Its tests run under Wine from the desktop build (ctest -L windows).
windows-deps:
	@bash scripts/install-windows-deps.sh $(WIN_BUILD)
	@JOBS=$(JOBS) nice bash scripts/build-windows-sdl2.sh $(WIN_BUILD)

windows: windows-deps
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN_BUILD) -j $(JOBS)

# The program, its data, a short README and the licences, under delve/.
windows-zip: windows
	cmake --build $(WIN_BUILD) --target delve_zip
	@echo "delve-windows.zip: $$(unzip -Z1 delve-windows.zip | tr '\n' ' ')"

clean:
	rm -rf $(BUILD) build-asan build-package $(FUZZ_BUILD) $(WEB_BUILD) delve-web.zip $(WIN_BUILD) delve-windows.zip
