# The two commands of the README, plus the benchmarks.
BUILD      ?= build
BENCHBUILD ?= build-bench
FUZZBUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
DEMO_PORT  ?= 4000

.PHONY: deps build test run bench fuzz format clean

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

test: build
	bash scripts/check-core-no-qt.sh
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

run: build
	bash scripts/run-demo.sh $(BUILD) $(DEMO_PORT)

bench: deps
	cmake -S . -B $(BENCHBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=ON
	cmake --build $(BENCHBUILD) -j $(JOBS) --target quorvel_bench quorvel_flood quorvel-demo-server
	bash scripts/run-bench.sh $(BENCHBUILD)

# The libFuzzer targets of tests/fuzz, built with clang under the sanitizers;
# each runs FUZZ_SECONDS and any crash, leak or broken invariant fails.
fuzz: deps
	cmake -S . -B $(FUZZBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON \
		-DQUORVEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZBUILD) -j $(JOBS)
	bash tests/fuzz/run-fuzz.sh $(FUZZBUILD) $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BENCHBUILD) $(FUZZBUILD)
