# Nivora: `make run` shows the saver, `make test` runs every test. Both install what is missing first.
MODE ?= /s
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DNIVORA_WERROR=ON

.PHONY: all deps native win64 win32 unit e2e test run bench fuzz soak clean

all: native win64 win32

deps:
	@scripts/deps.sh

native: deps
	cmake -S . -B $(BUILD)/native $(CMAKE_FLAGS)
	cmake --build $(BUILD)/native -j $(JOBS)

win64: deps
	cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(BUILD)/win64 -j $(JOBS)

# 32-bit Windows: built and linked to prove it, not run (no 32-bit Wine here).
win32: deps
	cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DNIVORA_E2E=OFF -DNIVORA_BENCH=OFF
	cmake --build $(BUILD)/win32 -j $(JOBS)

unit: native
	cd $(BUILD)/native && ctest --output-on-failure -j $(JOBS)

e2e: win64
	scripts/e2e.sh $(BUILD)/win64/bin

test: native win64 win32
	cd $(BUILD)/native && ctest --output-on-failure -j $(JOBS)
	scripts/e2e.sh $(BUILD)/win64/bin

run: win64
	scripts/run.sh $(BUILD)/win64/bin $(MODE)

clean:
	rm -rf $(BUILD)
