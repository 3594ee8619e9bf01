# The project's interface: build, test, bench, run.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: build test bench run deps clean

deps:
	@tools/install-deps

# Extra cmake settings for a fresh build directory, e.g. CMAKE_ARGS=-DVANTREL_WERROR=ON.
CMAKE_ARGS ?=

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/vantrel-bench

# The explorer window; without a display, the default view drawn into a file.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    $(BUILD)/vantrel; \
	else \
	    echo "No display (DISPLAY is not set): rendering the default view to $(BUILD)/default.png"; \
	    $(BUILD)/vantrel --render -o $(BUILD)/default.png && echo "written: $(BUILD)/default.png"; \
	fi

# The test suite under ThreadSanitizer, and under AddressSanitizer with
# UndefinedBehaviorSanitizer (with the float-to-integer conversions that GCC leaves
# out of it by default); any report fails the run.
.PHONY: tsan asan
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tools/tsan.supp \
	    ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_SANITIZE=address,undefined,float-cast-overflow
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp \
	    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-tsan build-asan

.PHONY: install fuzz

# Installs into $(DESTDIR)$(PREFIX); packagers set DESTDIR to stage the tree.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	@if [ -z "$(DESTDIR)" ]; then \
	    command -v update-mime-database >/dev/null && update-mime-database "$(PREFIX)/share/mime" || true; \
	    command -v update-desktop-database >/dev/null && update-desktop-database -q "$(PREFIX)/share/applications" || true; \
	fi

# The file readers under libFuzzer with address and undefined-behaviour checks,
# FUZZ_SECONDS each; fails on the first crash. Not part of `make test`.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz:
	@tools/install-deps --fuzz
	cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)
