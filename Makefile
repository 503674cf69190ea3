# Entry points: `make run` plays, `make test` runs every test, `make bench` times the hot paths.
# Each first installs whatever Debian packages are missing.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: run test bench build deps clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/delve

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench_*; do echo "== $$b"; SDL_VIDEODRIVER=dummy SDL_RENDER_DRIVER=software $$b || exit 1; done

clean:
	rm -rf $(BUILD) build-asan
