# Zelvane: the two commands of the README, and the benchmarks.
#   make run    install what is missing, build (Release) and start Zelvane
#   make test   install what is missing, build with ASan+UBSan and run every test
#   make bench  install what is missing, build (Release) and run the benchmarks

JOBS ?= $(shell nproc)
# The tests of background work: drawing, loading and pass computations.
ONE_CPU_TESTS = ^(BackgroundPools|CatalogueLoading|Passes)\.|^ZozAdezaTest\.(ABackgroundDrawing|AChartClosed)
GENERATOR ?= Ninja

# Leak detection stays on for our own code; scripts/lsan.supp names the
# system libraries whose own leaks are not ours to fail on.
SANITIZER_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

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
	cd build/test && $(SANITIZER_ENV) \
		ctest --output-on-failure -j $(JOBS)
# Background work once more on a single CPU, where Qt's own pool has one
# thread: a runner with one CPU must never be the first to see it fail.
	cd build/test && $(SANITIZER_ENV) \
		taskset -c "$$(taskset -cp $$$$ | sed 's/.*: //; s/[-,].*//')" \
		ctest --output-on-failure --no-tests=error -j 2 -R '$(ONE_CPU_TESTS)'

# ThreadSanitizer run of our own multi-threaded code (not part of `make test`):
# the plain C++ concurrency tests, and the test groups whose work crosses
# threads through our hand-overs (the chart's background layer, catalogue
# loads and their generations, downloads, transmitter batches, pass
# computations). Qt and glib are not built with ThreadSanitizer: every
# hand-over of ours goes through a mailbox of our own that the checker
# sees, the checker ignores the memory Qt's own code touches
# (ignore_noninstrumented_modules), and scripts/tsan.supp is where a report
# from Qt's or glib's own internals would be suppressed (none is needed now). A test that starts a child process is left
# out: Qt starts it with a vfork-like clone that shares the checker's state
# with the child, after which the checker loses track of every lock.
TSAN_TARGETS = orbital_tests catalog_tests platform_tests elements_tests state_tests ui_passes_tests
TSAN_TESTS = SatRecConcurrency|ConcurrentSearch|SatNOGS|DispatchTest|BackgroundPools|HttpTest|HostLookupTest|TLEManagerTest|CatalogueLoading|DownloadOutcomes|Passes\.|QueueAcrossReloads|ZozAdezaTest\.(ABackgroundDrawing|AChartClosed)
TSAN_SKIP = HttpTest\.(NoTransferOutlivesTheProgram|QuitDoesNotWaitForAHostLookup|ARefusedThreadFailsTheTransferAndNothingElse)

tsan: deps
	cmake -S . -B build/tsan -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANE_TSAN=ON
	cmake --build build/tsan -j $(JOBS) --target $(TSAN_TARGETS)
	cd build/tsan && QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$(CURDIR)/scripts/tsan.supp" \
		ctest --output-on-failure --no-tests=error -j $(JOBS) -R '$(TSAN_TESTS)' -E '$(TSAN_SKIP)'

bench: deps
	cmake -S . -B build/bench -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DZELVANE_TESTS=OFF -DZELVANE_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./build/bench/bench/zelvane_bench

clean:
	rm -rf build
