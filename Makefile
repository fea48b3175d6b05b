# Top-level entry points. `make demo` and `make test` work on a fresh machine:
# they install what is missing, configure, build and run.

JOBS        ?= $(shell nproc 2>/dev/null || echo 2)
BUILD       ?= build
BUILD_ASAN  ?= build-asan
WERROR      ?= $(if $(MKT_WERROR),$(MKT_WERROR),OFF)
CMAKE_FLAGS ?=

.PHONY: all deps build build-asan test test-normal test-asan demo bench clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMKT_WERROR=$(WERROR) $(CMAKE_FLAGS)

$(BUILD_ASAN)/CMakeCache.txt:
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DMKT_SANITIZE=ON -DMKT_BENCHMARKS=OFF -DMKT_WERROR=$(WERROR) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(BUILD_ASAN)/CMakeCache.txt
	cmake --build $(BUILD_ASAN) -j $(JOBS)

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

test: test-normal test-asan

demo: build
	@mkdir -p out
	$(BUILD)/bin/mkt450 demo -o out

bench: build
	@for b in $(BUILD)/bin/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) out
