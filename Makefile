# Two commands for a fresh clone: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

PREFIX ?= /usr/local

.PHONY: all packages test-packages fuzz-packages build run test install sanitize fuzz clean

all: build

# Missing Debian packages are installed first (apt-get, through sudo when not root).
packages:
	tools/setup/install_packages.sh

test-packages:
	tools/setup/install_packages.sh --test

$(BUILD)/CMakeCache.txt: | packages
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: packages $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Starts the program in a working folder that holds the bundled example defaults file.
run: build
	mkdir -p $(BUILD)/run
	[ -f $(BUILD)/run/Quillomate.DEF ] || cp data/Quillomate.DEF $(BUILD)/run/
	cd $(BUILD)/run && ../quillomate

test: test-packages build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The program and its man page under $(PREFIX)/bin and $(PREFIX)/share/man/man1.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (gcc); any report stops the test that raised it. Two sweeps of the copper's
# model over every example board and design are left to `make test`: they
# take six minutes each under the sanitizers, and the same code runs there in
# the lighter copper tests (one design a board, the command line's).
SANITIZE_BUILD ?= build-asan
SANITIZE_SKIP = CopperLines\.AreTheDesignAsBuilt|LengthTrim\.BringsTheCoppers
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
               UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

$(SANITIZE_BUILD)/CMakeCache.txt:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=g++ -DQUILLOMATE_SANITIZE=ON

sanitize: test-packages $(SANITIZE_BUILD)/CMakeCache.txt
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS) -E '$(SANITIZE_SKIP)'

# libFuzzer on the whole program (clang): stored findings are replayed first,
# then FUZZ_SECONDS of fuzzing from the seed corpus (made from tests/sessions,
# plus tests/fuzz/seeds), the stored findings and the working corpus in
# $(FUZZ_BUILD)/corpus. Findings land in $(FUZZ_BUILD)/artifacts/.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_CXX ?= clang++
# An input may take 30 s under the fuzzer's instrumentation: a design the
# board cannot build is refused after a field-solved search for the spacing
# that would build it, about 4 s natively on a thick core and over 10 s here.
FUZZ_FLAGS ?= -timeout=30 -rss_limit_mb=2048 -print_final_stats=1

$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DQUILLOMATE_FUZZ=ON -DBUILD_TESTING=OFF

fuzz-packages:
	tools/setup/install_packages.sh --fuzz

fuzz: fuzz-packages $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_program fuzz_replay
	mkdir -p $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/artifacts
	$(FUZZ_BUILD)/tests/fuzz/fuzz_replay tests/fuzz/regressions > $(FUZZ_BUILD)/replay.log \
	  || { cat $(FUZZ_BUILD)/replay.log; exit 1; }
	$(FUZZ_BUILD)/tests/fuzz/fuzz_program -max_total_time=$(FUZZ_SECONDS) $(FUZZ_FLAGS) \
	  -dict=tests/fuzz/quillomate.dict -artifact_prefix=$(FUZZ_BUILD)/artifacts/ \
	  $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/fuzz-seeds tests/fuzz/seeds tests/fuzz/regressions

clean:
	rm -rf $(BUILD)
