# Vistrel: `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test unit-test widget-test system-test bench format tidy clean \
        asan-test fuzz deb package-test help-shots

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: no X display (DISPLAY is not set)."; \
	    echo "Run it inside an X11 session, or on a virtual one: xvfb-run -s '-screen 0 1920x1080x24' make run"; \
	    exit 1; \
	fi
	./$(BUILD)/vistrel

test: build
	cd $(BUILD) && ctest --output-on-failure
	@$(MAKE) --no-print-directory asan-test
	@$(MAKE) --no-print-directory package-test

# The Debian package vistrel_<version>_<arch>.deb from the build, in $(BUILD)/package.
deb: build
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls $(BUILD)/package/vistrel_*.deb

# lintian, appstreamcli and desktop-file-validate on the package; as root also installed with
# apt-get, run, and purged without leftovers.
package-test: deb
	@scripts/check-package $(BUILD)/package

# The manual's pictures (help/images), taken from the real program on a private X server.
help-shots: build
	@scripts/help-shots $(BUILD)

# The picture readers' unit tests once more under AddressSanitizer and UBSan (own build folder).
asan-test: deps
	@JOBS=$(JOBS) scripts/test-pictures-asan $(BUILD)-asan

# libFuzzer runs of the picture readers, FUZZ_SECONDS each (default 60).
fuzz: deps
	@JOBS=$(JOBS) scripts/fuzz-pictures $(BUILD)-fuzz

unit-test widget-test system-test: build
	cd $(BUILD) && ctest --output-on-failure -L $(subst -test,,$@)

bench: build
	@bench/run $(BUILD)

format:
	@find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

tidy: deps
	@cmake -S . -B $(BUILD)-tidy $(CMAKE_FLAGS) -DVISTREL_CLANG_TIDY=ON >/dev/null
	@cmake --build $(BUILD)-tidy -j$(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-tidy $(BUILD)-asan $(BUILD)-fuzz
