# Set-up and everyday commands. `make demo` and `make test` install what they
# need from Debian's packages first.
.PHONY: demo test check dist bench fuzz build build-nwrfc build-windows build-windows32 build-asan wine-prefix probe-32bit packages-build packages-test clean

# The short fuzz pass of `make test`: longer in CI, where nobody waits. CI
# also treats warnings as errors.
FUZZ_SECONDS := $(if $(CI),20,5)
WERROR := $(if $(CI),ON,OFF)

NATIVE := build
NWRFC := build-nwrfc
WINDOWS64 := build-windows
WINDOWS32 := build-windows32
ASAN := build-asan
# One prefix runs both bitnesses; it must be made after wine32 is installed.
WINE_PREFIX := build-wine/prefix
# Whether this kernel executes 32-bit programs, found out anew by every
# `make test` (QUILLAR_ASSUME_NO_32BIT=1 makes it act as if it did not). The
# native build registers the 32-bit wine suites as skipped where it does not,
# and scripts/wine.sh picks the wine loader by it.
PROBE_32BIT := build-wine/runs-32bit

packages-build:
	@scripts/ensure-packages.sh build

packages-test:
	@scripts/ensure-packages.sh test

build: packages-build
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLAR_WERROR=$(WERROR) \
	  -DQUILLAR_WINDOWS64_DIR=$(CURDIR)/$(WINDOWS64) -DQUILLAR_WINDOWS32_DIR=$(CURDIR)/$(WINDOWS32) \
	  -DQUILLAR_WINE_PREFIX=$(CURDIR)/$(WINE_PREFIX) -DQUILLAR_32BIT_PROBE=$(CURDIR)/$(PROBE_32BIT) \
	  -DQUILLAR_NWRFC_DIR=$(CURDIR)/$(NWRFC)
	@cmake --build $(NATIVE)

# The sensor with the NetWeaver stand-in behind the bridge, natively.
build-nwrfc: packages-build
	@cmake -S . -B $(NWRFC) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLAR_RFC_LIBRARY=nwrfc \
	  -DQUILLAR_TESTS=OFF -DQUILLAR_WERROR=$(WERROR)
	@cmake --build $(NWRFC)

build-windows: packages-test
	@cmake -S . -B $(WINDOWS64) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAR_WERROR=$(WERROR) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake
	@cmake --build $(WINDOWS64)

build-windows32: packages-test
	@cmake -S . -B $(WINDOWS32) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAR_WERROR=$(WERROR) \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake
	@cmake --build $(WINDOWS32)

build-asan: packages-test
	@cmake -S . -B $(ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLAR_SANITIZE=ON -DQUILLAR_WERROR=$(WERROR)
	@cmake --build $(ASAN)

probe-32bit:
	@scripts/probe-32bit.sh $(PROBE_32BIT)

# The wine prefix is made once; making it takes some seconds.
wine-prefix: packages-test $(WINE_PREFIX)/.ready
$(WINE_PREFIX)/.ready:
	@scripts/wine-prefix.sh $(WINE_PREFIX)

# The native build comes last: it registers the tests of the other trees
# that exist by then.
test: packages-test probe-32bit build-nwrfc build-windows build-windows32 build build-asan wine-prefix
	@case "$$(head -n 1 $(PROBE_32BIT))" in no:*) \
	  echo "32-bit Windows runs skipped: $$(head -n 1 $(PROBE_32BIT) | cut -c 5-)" \
	    "(the 32-bit build and its binary checks still ran)" ;; esac
	@cd $(NATIVE) && ctest --output-on-failure
	@cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure
	@scripts/dist.sh >/dev/null
	@scripts/check-dist.sh
	@echo "Short fuzz pass, $(FUZZ_SECONDS) s a target:"
	@scripts/fuzz.sh $(FUZZ_SECONDS)

# The release archives of both bitnesses, in dist/.
dist: build build-windows build-windows32
	@scripts/dist.sh

# The quick loop: the native unit and end-to-end tests only.
check: build
	@cd $(NATIVE) && ctest --output-on-failure -R '^(unit|e2e_native|expected_documents_well_formed)$$'

# Every fuzz target for a minute (FUZZ_TIME=seconds for another bound).
fuzz: packages-test
	@scripts/fuzz.sh $(or $(FUZZ_TIME),60)

demo: build
	@scripts/demo.sh $(NATIVE)

# An optimised, statically linked build, measured against a minimal C program.
bench: packages-build
	@scripts/ensure-packages.sh bench
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAR_STATIC=ON -DQUILLAR_TESTS=OFF
	@cmake --build build-bench
	@scripts/bench.sh build-bench

clean:
	rm -rf dist $(NATIVE) $(NWRFC) $(WINDOWS64) $(WINDOWS32) $(ASAN) build-wine build-bench build-fuzz
