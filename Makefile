# make        build the Linux program at build/trelik, with its sounds beside it
# make run    set up, build and start the program in the terminal
# make test   set up, build and run every test through ctest
# make bench  build and run the benchmarks (with the window against trelik.com under wine
#             when the cross build of make windows is there)
# make windows  cross-build the Windows program at build-win/trelik.exe, with its sounds beside it
# make samples  regenerate samples/punkty.pnt and samples/punkty.uam
# make fuzz   run every fuzz target for FUZZTIME seconds (default 600), one after another;
#             FUZZRUNS=N also ends each after N executions
# make seeds  regenerate the fuzz targets' seeds (tests/fuzz/seeds)
# make format apply the source format (.clang-format) to every source; make test
#             fails on a source that is not formatted
# SANITIZE=1  build with AddressSanitizer and UndefinedBehaviorSanitizer (own build folder)

PACKAGES := g++ cmake make pkg-config libgtest-dev libgmock-dev libcli11-dev libsdl2-dev libedit-dev libproj-dev libexpat1-dev libbenchmark-dev proj-bin \
            clang-format
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

# The Windows build: its own packages (installed by make windows only), its
# folder, and further configure options for it.
WINPACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools dpkg-dev sqlite3 tcl
# What make test needs beyond that to run the Windows program under wine.
WINETESTPACKAGES := wine wine64 xvfb
WINBUILD    := build-win
WINCMAKEOPT :=

# The fuzz build: clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in a folder of its own. make test runs each
# target for FUZZSMOKE seconds; make fuzz for FUZZTIME seconds.
FUZZPACKAGES := clang libclang-rt-14-dev
FUZZBUILD    := build-fuzz
FUZZSMOKE    ?= 30
FUZZTIME     ?= 600
FUZZRUNS     ?=

ifeq ($(SANITIZE),1)
BUILD    ?= build-san
CMAKEOPT := -DSANITIZE=ON
else
BUILD    ?= build
CMAKEOPT :=
endif

.PHONY: all deps configure run test bench samples windows fuzzbuild fuzz seeds format clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

# Installs the missing Debian packages when it can (root or sudo); otherwise
# prints the one command that is needed and stops.
deps:
	@missing=""; \
	for p in $(PACKAGES) $(EXTRAPACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then \
	    echo "Installing:$$missing"; \
	    sudo apt-get update -qq && sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing Debian packages. Install them with:"; \
	    echo "  sudo apt-get install$$missing"; \
	    exit 1; \
	  fi; \
	fi

configure: deps
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) $(CMAKEOPT)

run: all
	./$(BUILD)/trelik

# The tests include the Windows program's, under wine: it is cross-built first;
# then every fuzz target runs for FUZZSMOKE seconds, so that a crash fails.
test: EXTRAPACKAGES = $(WINPACKAGES) $(WINETESTPACKAGES) $(FUZZPACKAGES)
test: all windows fuzzbuild
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(FUZZBUILD) && ctest --output-on-failure -j $(JOBS)

fuzzbuild: EXTRAPACKAGES = $(FUZZPACKAGES)
fuzzbuild: deps
	@[ -f $(FUZZBUILD)/CMakeCache.txt ] || CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -DFUZZ=ON
	cmake -S . -B $(FUZZBUILD) -DFUZZ_SMOKE=$(FUZZSMOKE) >/dev/null
	cmake --build $(FUZZBUILD) -j $(JOBS)

fuzz: fuzzbuild
	FUZZRUNS=$(FUZZRUNS) tests/fuzz/run.sh $(FUZZBUILD) $(FUZZTIME)

seeds: all
	cmake --build $(BUILD) -j $(JOBS) --target mkpnt mkuam mktba
	tests/fuzz/mkseeds.sh $(BUILD)

# The references of the benchmarks (gpsbabel, cs2cs of proj-bin) and the
# table's column.
bench: EXTRAPACKAGES = gpsbabel bsdextrautils
bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benchtrelik trelik
	./$(BUILD)/benchtrelik
	rm -f $(BUILD)/bench-table.txt
	BENCHTABLE=$(abspath $(BUILD))/bench-table.txt BUILD=$(BUILD) JOBS=$(JOBS) bench/convert.sh
	BENCHTABLE=$(abspath $(BUILD))/bench-table.txt BUILD=$(BUILD) JOBS=$(JOBS) bench/uam.sh
	BENCHTABLE=$(abspath $(BUILD))/bench-table.txt BUILD=$(BUILD) JOBS=$(JOBS) bench/textbase.sh
	@if [ -f $(WINBUILD)/trelik.exe ] && command -v wine >/dev/null; then \
	  cmake --build $(BUILD) -j $(JOBS) --target benchwine && \
	  BENCHTABLE=$(abspath $(BUILD))/bench-table.txt TRELIK_BUILD=$(abspath $(BUILD)) TRELIK_SOURCE=$(CURDIR) \
	  TRELIK_WINBUILD=$(abspath $(WINBUILD)) ./$(BUILD)/benchwine; \
	else echo "The window benchmark needs wine and the cross build (make windows)"; fi
	bench/table.sh $(BUILD)/bench-table.txt

# Regenerates the sample point files (fixed seeds) with their generators.
samples: configure
	cmake --build $(BUILD) -j $(JOBS) --target mkpnt mkuam
	./$(BUILD)/mkpnt --seed 10 --points 40 samples/punkty.pnt
	./$(BUILD)/mkuam --seed 10 --records 40 samples/punkty.uam

# The Windows program, cross-built with mingw-w64. The sound generator runs on
# the build host, so it is built first, in the host's build folder.
windows: EXTRAPACKAGES = $(WINPACKAGES)
windows: configure
	cmake --build $(BUILD) -j $(JOBS) --target mksounds
	JOBS=$(JOBS) tools/winproj.sh $(WINBUILD)/deps
	cmake -S . -B $(WINBUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake \
	  -DTRELIK_MKSOUNDS=$(abspath $(BUILD))/mksounds -DTRELIK_WINDEPS=$(abspath $(WINBUILD))/deps $(WINCMAKEOPT)
	cmake --build $(WINBUILD) -j $(JOBS)

# Every C++ source of the project, as tests/format.sh finds them.
format: deps
	tests/format.sh . --apply

clean:
	rm -rf build build-san $(WINBUILD) $(FUZZBUILD)
