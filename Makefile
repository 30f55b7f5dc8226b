# make run   – install what is missing, build, write a sample study and show it
# make test  – install what is missing, build, run the whole suite
# make asan  – the suite under AddressSanitizer + UndefinedBehaviorSanitizer
# make bench – build the benchmarks and run them (BENCH_ARGS passes options, e.g.
#              BENCH_ARGS=--benchmark_filter=Decode); bench/compare.sh compares afterwards
# make fuzz  – build the libFuzzer harnesses (clang) and run each for SECONDS=N seconds
.PHONY: deps build run test asan bench fuzz clean

JOBS ?= $(shell nproc)
SAMPLE_DIR ?= build/sample

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	@rm -rf $(SAMPLE_DIR)
	./build/app/tessor sample $(SAMPLE_DIR)
	./build/app/tessor info $(SAMPLE_DIR)/*.dcm

test: build
	@ctest --preset default -j $(JOBS)

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

bench: build
	@cmake --build --preset default -j $(JOBS) --target tessor_bench io_floor
	./build/bench/tessor_bench --benchmark_report_aggregates_only=true $(BENCH_ARGS)

fuzz: deps
	@bash fuzz/run.sh $(or $(SECONDS),60)

clean:
	rm -rf build build-asan build-fuzz
