# Nivora: `make run` shows the saver, `make test` runs every test. Both install what is missing first.
MODE ?= /s
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DNIVORA_WERROR=ON
FUZZ_SECONDS ?= 60
SOAK_SECONDS ?= 600

.PHONY: all deps native win64 win32 unit e2e sanitize test run bench fuzz soak clean dist deb

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

# The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer: any report fails the run.
# -O2 with line numbers: readable reports, and GCC 12 gives false -Wrestrict alarms on strings at -O3 with ASan.
sanitize: deps
	cmake -S . -B $(BUILD)/sanitize $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DNIVORA_SANITIZE=address,undefined -DNIVORA_BENCH=OFF
	cmake --build $(BUILD)/sanitize -j $(JOBS) --target nivora_unit_tests
	$(BUILD)/sanitize/tests/unit/nivora_unit_tests --gtest_brief=1

# Each fuzz target for FUZZ_SECONDS from its seed corpus in fuzz/corpus/.
fuzz: deps
	scripts/fuzz.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The full-screen saver for SOAK_SECONDS, then hundreds of starts and stops, under Wine; not part of `make test`.
soak: win64
	scripts/soak.sh $(BUILD)/win64/bin $(SOAK_SECONDS)

test: native win64 win32 sanitize dist
	cd $(BUILD)/native && ctest --output-on-failure -j $(JOBS)
	scripts/x11_test.sh $(BUILD)/native
	scripts/xscreensaver_test.sh $(BUILD)/native
	scripts/wayland_test.sh $(BUILD)/native
	scripts/e2e.sh $(BUILD)/win64/bin
	scripts/fuzz.sh $(BUILD)/fuzz 3
	scripts/sign_test.sh $(BUILD)/win64 $(BUILD)/win32 $(BUILD)/signed
	scripts/install_test.sh $(BUILD)/signed/dist $(BUILD)/install-test $(BUILD)/signed/ca.pem

# The release files in dist/: the Debian package (checked by lintian), both setup programs, the portable archive,
# SHA256SUMS and RELEASE_NOTES.md; signed when SIGN_PKCS12 and SIGN_PASSWORD (and SIGN_TIMESTAMP_URL) are set in the
# environment (docs/releasing.md).
dist: win64 win32 native
	scripts/deb.sh $(BUILD)/native dist
	scripts/dist.sh $(BUILD)/win64 $(BUILD)/win32 dist

# Only the Debian package, into dist/: the Linux program for X11 and Wayland, built without the tests, from what
# `scripts/deps.sh deb` installs (no Wine, MinGW or test tools).
deb:
	@scripts/deps.sh deb
	cmake -S . -B $(BUILD)/deb $(CMAKE_FLAGS) -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF
	cmake --build $(BUILD)/deb -j $(JOBS) --target nivora
	scripts/deb.sh $(BUILD)/deb dist

run: win64
	scripts/run.sh $(BUILD)/win64/bin $(MODE)

clean:
	rm -rf $(BUILD)

# The frame benchmarks: natively with Google Benchmark, then on real GDI under Wine; then the whole saver under Wine
# at 1080p, 4K and two 4K monitors (its CPU and memory figures); last the X11 program against xsnow at 1080p and 4K,
# and the Wayland program on sway headless at the same sizes (wayland_cpu_*).
bench: native win64
	$(BUILD)/native/bench/nivora_snow_bench
	$(BUILD)/native/bench/nivora_picture_bench
	scripts/wine_run.sh $(BUILD)/win64/bin/nivora_snow_bench_gdi.exe
	scripts/bench_saver.sh $(BUILD)/win64/bin
	scripts/bench_linux.sh $(BUILD)/native
