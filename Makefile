# Two commands for a fresh clone: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test sanitize fuzz clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Starts the program in a working folder that holds the bundled example defaults file.
run: build
	mkdir -p $(BUILD)/run
	[ -f $(BUILD)/run/Quillomate.DEF ] || cp data/Quillomate.DEF $(BUILD)/run/
	cd $(BUILD)/run && ../quillomate

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
