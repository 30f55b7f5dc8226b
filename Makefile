# make run   – install what is missing, build, write a sample study and open the dialog on it
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

# Opens the dialog on the sample; headless (no DISPLAY or WAYLAND_DISPLAY, and no usable
# QT_QPA_PLATFORM) it stitches the sample automatically instead. Closing the dialog is no error.
run: build
	@rm -rf $(SAMPLE_DIR)
	./build/app/tessor sample $(SAMPLE_DIR)
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] || { [ -n "$$QT_QPA_PLATFORM" ] && [ "$$QT_QPA_PLATFORM" != offscreen ] && [ "$$QT_QPA_PLATFORM" != minimal ]; }; then \
	  ./build/app/tessor gui -o $(SAMPLE_DIR)/stitched.dcm $(SAMPLE_DIR)/piece-*.dcm || [ $$? -eq 1 ]; \
	else \
	  echo "no display: stitching the sample without a window (tessor stitch --auto)"; \
	  ./build/app/tessor stitch --auto -o $(SAMPLE_DIR)/stitched.dcm --preview $(SAMPLE_DIR)/stitched.png $(SAMPLE_DIR)/piece-*.dcm && \
	  echo "wrote $(SAMPLE_DIR)/stitched.dcm and the preview $(SAMPLE_DIR)/stitched.png"; \
	fi

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
