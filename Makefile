# The two commands of the README, plus the benchmarks.
BUILD      ?= build
BENCHBUILD ?= build-bench
JOBS       ?= $(shell nproc)
DEMO_PORT  ?= 4000

.PHONY: deps build test run bench format clean

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BENCHBUILD)
