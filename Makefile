# The two commands a newcomer needs: `make run` and `make test`.
BUILD      ?= build
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 10
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps build run test unit fuzz-build fuzz-smoke fuzz bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-travodex $(BUILD)/bin/travodex

unit: build
	scripts/with-test-env ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 600

$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DTRVX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-smoke: fuzz-build
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz: fuzz-build
	scripts/run-fuzzers $(FUZZ_BUILD) 600

test: unit fuzz-smoke

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
