# Zelvane: the two commands of the README, and the benchmarks.
#   make run    install what is missing, build (Release) and start Zelvane
#   make test   install what is missing, build with ASan+UBSan and run every test
#   make bench  install what is missing, build (Release) and run the benchmarks

JOBS ?= $(shell nproc)
# The tests of background work: drawing, loading and pass computations.
ONE_CPU_TESTS = ^(BackgroundPools|CatalogueLoading|Passes)\.|^ZozAdezaTest\.(ABackgroundDrawing|AChartClosed)
GENERATOR ?= Ninja

.PHONY: deps run build test bench tsan clean

deps:
	./scripts/install-deps

build: deps
	cmake -S . -B build/release -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DZELVANE_TESTS=OFF
	cmake --build build/release -j $(JOBS)

run: build
	./build/release/zelvane

test: deps
	cmake -S . -B build/test -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANE_SANITIZE=ON
	cmake --build build/test -j $(JOBS)
	cd build/test && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)
# Background work once more on a single CPU, where Qt's own pool has one
# thread: a runner with one CPU must never be the first to see it fail.
	cd build/test && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		taskset -c "$$(taskset -cp $$$$ | sed 's/.*: //; s/[-,].*//')" \
		ctest --output-on-failure -j 2 -R '$(ONE_CPU_TESTS)'

# ThreadSanitizer run of our own multi-threaded code (not part of `make test`).
# Only the plain C++ concurrency tests: Qt and glib are not built with
# ThreadSanitizer, so their internals report false races.
tsan: deps
	cmake -S . -B build/tsan -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANE_TSAN=ON
	cmake --build build/tsan -j $(JOBS) --target orbital_tests catalog_tests
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -R 'SatRecConcurrency|ConcurrentSearch'

bench: deps
	cmake -S . -B build/bench -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DZELVANE_TESTS=OFF -DZELVANE_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./build/bench/bench/zelvane_bench

clean:
	rm -rf build
