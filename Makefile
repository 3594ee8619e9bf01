# The project's interface: build, test, bench, run.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: build test bench run deps clean

deps:
	@tools/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/vantrel-bench

run: build
	@echo "Vantrel has no window yet: rendering the default view to $(BUILD)/default.png"
	$(BUILD)/vantrel --render -o $(BUILD)/default.png
	@echo "written: $(BUILD)/default.png"

clean:
	rm -rf $(BUILD)
