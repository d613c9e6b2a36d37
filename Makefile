# The two commands of the README, plus the benchmarks.
BUILD      ?= build
BENCHBUILD ?= build-bench
FUZZBUILD  ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
TSAN_TESTS ?= .
# Test binaries to leave out of make tsan: none. The tests start their child
# processes through posix_spawn (tests/support/ChildProcess.h), after which the
# sanitizer still sees the parent's locks.
TSAN_SKIP  ?=
DEMO_PORT  ?= 4000

SANBUILD   ?= build-asan
TSANBUILD  ?= build-tsan

.PHONY: deps build test run bench fuzz format format-check tidy sanitize tsan install package clean

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
	cmake --build $(BENCHBUILD) -j $(JOBS) --target quorvel_bench quorvel_flood quorvel_longsession \
		quorvel_tls_flood quorvel_compressed_flood quorvel-demo-server quorvel_frame_road \
		quorvel_road_flood quorvel_encoding_flood quorvel_ten_windows
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

# Fails when any tracked C++ file differs from what clang-format would make of it.
format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The checks of .clang-tidy over every source of the three libraries and the app.
tidy: build
	bash scripts/run-tidy.sh $(BUILD)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=address
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# Every test under ThreadSanitizer (less any named in TSAN_SKIP).
tsan: deps
	cmake -S . -B $(TSANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=thread
	cmake --build $(TSANBUILD) -j $(JOBS)
	cd $(TSANBUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600 -R "$(TSAN_TESTS)" \
		$(if $(TSAN_SKIP),-E "$(TSAN_SKIP)")

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

# A Debian package (quorvel_<version>_<arch>.deb in $(BUILD)) of what install
# puts in place, under /usr, with the runtime packages as its dependencies.
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(BENCHBUILD) $(SANBUILD) $(TSANBUILD) $(FUZZBUILD)
