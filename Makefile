# make        build the Linux program at build/trelik, with its sounds beside it
# make run    set up, build and start the program in the terminal
# make test   set up, build and run every test through ctest
# make bench  build and run the benchmarks
# SANITIZE=1  build with AddressSanitizer and UndefinedBehaviorSanitizer (own build folder)

PACKAGES := g++ cmake make pkg-config libgtest-dev libgmock-dev libcli11-dev libsdl2-dev libproj-dev libbenchmark-dev
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)

ifeq ($(SANITIZE),1)
BUILD    ?= build-san
CMAKEOPT := -DSANITIZE=ON
else
BUILD    ?= build
CMAKEOPT :=
endif

.PHONY: all deps configure run test bench clean

all: configure
	cmake --build $(BUILD) -j $(JOBS)

# Installs the missing Debian packages when it can (root or sudo); otherwise
# prints the one command that is needed and stops.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
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

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benchtrelik trelik
	./$(BUILD)/benchtrelik

clean:
	rm -rf build build-san
