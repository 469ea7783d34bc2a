# The two commands: `make test` and `make demo`. Everything else is for developers.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build test demo bench tsan asan format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

demo: build
	@scripts/demo

bench: build
	@scripts/run-bench $(BUILD)

# Threaded tests under ThreadSanitizer, in a build folder of their own.
tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTERMINAL_TSAN=ON -DTERMINAL_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --output-on-failure -L threaded

asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTERMINAL_ASAN=ON -DTERMINAL_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS)

format: configure
	@cmake --build $(BUILD) --target format

clean:
	rm -rf $(BUILD) build-tsan build-asan
