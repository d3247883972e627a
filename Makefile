# Feedline: thin wrapper around CMake. Every target installs what it needs first.
BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
BUILDTYPE ?= RelWithDebInfo
SANITIZE_BUILD ?= build-sanitize

# Debian packages the build, the tests and the benchmarks need.
PACKAGES := cmake make g++ pkg-config \
            qt6-base-dev qt6-serialport-dev libqscintilla2-qt6-dev \
            libgl-dev libxkbcommon-dev libxcb1-dev libwayland-dev \
            googletest libgtest-dev libgmock-dev libbenchmark-dev \
            lrzsz poppler-utils

.PHONY: all deps configure build run test test-sanitize bench clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi; \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILDTYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS) -- --no-print-directory

# The program alone: the tests and benchmarks are built by `make test`.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target feedline -- --no-print-directory
	./$(BUILD)/feedline

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# The whole suite again, built with AddressSanitizer and UBSan: any report fails the test.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DFEEDLINE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS) -- --no-print-directory
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks -- --no-print-directory
	@cd $(BUILD) && failed=; for b in bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b (load average $$(cut -d' ' -f1-3 /proc/loadavg), $$(nproc) cores)"; \
	  QT_QPA_PLATFORM=offscreen ./$$b || failed="$$failed $$b"; done; \
	  [ -z "$$failed" ] || { echo "failed:$$failed"; exit 1; }

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
