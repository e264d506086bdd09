# Quadrivo: one-command set-up, build, run and test on Debian 12.
# Every target installs what it needs first (apt-get; sudo when not root).

BUILD    ?= build
JOBS     ?= $(shell nproc)
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
# GUI=OFF builds and tests the core and quadrivo-cli alone, without Qt.
GUI      ?= ON
PACKAGES := cmake g++ make libgtest-dev libcli11-dev
ifeq ($(GUI),ON)
PACKAGES += qt6-base-dev libgl-dev desktop-file-utils appstream poppler-utils
endif
BENCH_PACKAGES := libbenchmark-dev qqwing
FUZZ_PACKAGES  := clang libclang-rt-14-dev
BUILTIN  := .7.1.6.8...84.32..3.......4..3.7.5..4.......2..5.4.6..9.......1..69.83...3.5.7.9.

define install_missing
	@missing=""; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi
endef

.PHONY: all deps build run test install asan tsan bench fuzz format clean
PREFIX   ?= /usr/local

all: build

deps:
	$(call install_missing,$(PACKAGES))

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADRIVO_BUILD_GUI=$(GUI)
	cmake --build $(BUILD) -j $(JOBS)

# Opens the window when there is a display; otherwise shows the command-line tool at work.
run: deps
	@echo "building (log in $(BUILD)/build.log)..."
	@mkdir -p $(BUILD)
	@{ cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADRIVO_BUILD_GUI=$(GUI) && \
	   cmake --build $(BUILD) -j $(JOBS); } >$(BUILD)/build.log 2>&1 || \
	 { cat $(BUILD)/build.log; exit 1; }
	@echo "quadrivo-cli is $(CURDIR)/$(BUILD)/cli/quadrivo-cli, for example:"
	@echo "  $(BUILD)/cli/quadrivo-cli check $(BUILTIN)"
	@echo "  $(BUILD)/cli/quadrivo-cli path $(BUILTIN)"
	@echo "  $(BUILD)/cli/quadrivo-cli create -n 3"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "opening the window: $(BUILD)/shell/quadrivo"; ./$(BUILD)/shell/quadrivo; \
	else \
	  echo "no display here (neither DISPLAY nor WAYLAND_DISPLAY is set): running the command-line demonstration"; \
	  echo "== check";  ./$(BUILD)/cli/quadrivo-cli check $(BUILTIN); \
	  echo "== solve";  ./$(BUILD)/cli/quadrivo-cli solve $(BUILTIN); \
	  echo "== rate";   ./$(BUILD)/cli/quadrivo-cli rate $(BUILTIN); \
	  echo "== create"; ./$(BUILD)/cli/quadrivo-cli create -n 1; \
	fi

# Installs quadrivo, quadrivo-cli, the menu entry, icons and metainfo under PREFIX (DESTDIR
# is honoured: make install DESTDIR=/tmp/stage).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUADRIVO_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS)

# The core on several threads at once, under ThreadSanitizer: the threads test, the window's
# background search for a puzzle of a level, create at a level rated on 4 threads against 1,
# and each batch command at -j 4 (threads in one process) against -j 1 on generated puzzles,
# some of them hard, with a bad line among them.
TSAN_COMMANDS := "count --limit 2" solve rate path "path --json" hint format
tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUADRIVO_TSAN=ON -DQUADRIVO_BUILD_GUI=OFF
	cmake --build build-tsan -j $(JOBS) --target tests_exactcover tests_control quadrivo-cli
	./build-tsan/tests/tests_exactcover --gtest_filter='Threads.*'
	./build-tsan/tests/tests_control --gtest_filter='Control.CreateByLevel*:Control.RatingBeside*:Control.Practice*'
	./build-tsan/cli/quadrivo-cli create --seed 5 --technique xy-wing -n 3 -j 1 >build-tsan/create-1.txt
	TSAN_OPTIONS=halt_on_error=1 ./build-tsan/cli/quadrivo-cli create --seed 5 --technique xy-wing \
	  -n 3 -j 4 >build-tsan/create-4.txt && cmp build-tsan/create-1.txt build-tsan/create-4.txt && \
	  echo "create --technique xy-wing: -j 4 as -j 1"
	for level in easy very-difficult; do \
	  ./build-tsan/cli/quadrivo-cli create --seed 11 --level $$level -n 3 -j 1 >build-tsan/create-1.txt; \
	  TSAN_OPTIONS=halt_on_error=1 ./build-tsan/cli/quadrivo-cli create --seed 11 --level $$level \
	    -n 3 -j 4 >build-tsan/create-4.txt && cmp build-tsan/create-1.txt build-tsan/create-4.txt && \
	  echo "create --level $$level: -j 4 as -j 1" || exit 1; \
	done
	{ ./build-tsan/cli/quadrivo-cli create --seed 7 -n 200; echo 'not a puzzle'; \
	  ./build-tsan/cli/quadrivo-cli create --seed 8 --level very-difficult -n 4; \
	  ./build-tsan/cli/quadrivo-cli create --seed 9 --level fiendish -n 4; } >build-tsan/input.txt
	for command in $(TSAN_COMMANDS); do \
	  ./build-tsan/cli/quadrivo-cli $$command -j 1 -f build-tsan/input.txt >build-tsan/out-1.txt 2>&1; \
	  TSAN_OPTIONS=halt_on_error=1 ./build-tsan/cli/quadrivo-cli $$command -j 4 \
	    -f build-tsan/input.txt >build-tsan/out-4.txt 2>&1; \
	  test $$? -le 2 && cmp build-tsan/out-1.txt build-tsan/out-4.txt && echo "$$command: -j 4 as -j 1" \
	    || exit 1; \
	done

bench: deps
	$(call install_missing,$(BENCH_PACKAGES))
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUADRIVO_BUILD_BENCH=ON -DQUADRIVO_BUILD_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	cmake --build build-bench --target run-benchmarks

# Short libFuzzer runs of every reader, its fast target (reading only) and its deep one, each
# for SECONDS seconds (make fuzz SECONDS=600; default 60).
SECONDS      ?= 60
FUZZ_SECONDS ?= $(SECONDS)
fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUADRIVO_BUILD_FUZZ=ON -DQUADRIVO_BUILD_TESTS=OFF -DQUADRIVO_BUILD_GUI=OFF
	cmake --build build-fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ./fuzz/run.sh build-fuzz

format:
	$(call install_missing,clang-format)
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-tsan build-bench build-fuzz
