# Two entry points that each do all the set-up from a fresh clone:
#   make run   - build Quintape and open its window with the demo playlist, which plays at once
#                into the "DV Monitor" window (the first device when no camcorder is connected;
#                without a display: probe the demo playlist and play it out into a DV file)
#   make test  - build with sanitizers and run the test suite, the thread-sanitizer stress runs
#                and every fuzz target for 20 s
# make screenshots renders every page of the main window to build/screenshots/*.png.
# make fuzz builds the fuzz targets (clang, address and undefined-behaviour sanitizers) and runs
# each for FUZZ_SECONDS (default 60).
.PHONY: run test stress-tsan fuzz deps build-release build-ci build-fuzz bench format \
	format-check clean screenshots

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# FFmpeg's codec threads are not instrumented (the frames for the camcorder tests are encoded).
TSAN_FFMPEG = suppressions=$(CURDIR)/tests/support/tsan.supp

deps:
	./scripts/install-deps

build-release: deps
	cmake --preset release -DQUINTAPE_BUILD_TESTS=OFF -DQUINTAPE_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS) --target quintape demo-media

DEMO_PLAYLIST = ./build/release/demo-media/demo.plst

# A window needs a display; without one the same playlist goes through the same graph into a
# DV file instead. With a display the window's "On Open" choice ("Play" unless changed) starts
# the demo on the selected device as soon as the window is up.
run: build-release
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		./build/release/app/quintape $(DEMO_PLAYLIST); \
	else \
		echo "make run: no display (DISPLAY and WAYLAND_DISPLAY are unset): rendering the demo playlist to build/release/demo.dv instead of opening the window"; \
		./build/release/app/quintape --probe $(DEMO_PLAYLIST) && \
		./build/release/app/quintape --render ./build/release/demo.dv $(DEMO_PLAYLIST); \
	fi

screenshots: deps
	cmake --preset release -DQUINTAPE_BUILD_TESTS=OFF -DQUINTAPE_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS) --target quintape-screenshots demo-media
	QT_QPA_PLATFORM=offscreen ./build/release/app/quintape-screenshots build/screenshots \
		$(DEMO_PLAYLIST)

build-ci: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)

test: build-ci stress-tsan
	ctest --preset ci -j $(JOBS)
	$(MAKE) fuzz FUZZ_SECONDS=20

# The streaming core's run/pause/seek/stop loop, 1,000 times under the thread sanitizer; then
# the camcorder output on the simulated bus: Play, Stop and unplugging racing 200 times, bus
# resets during transmission and the device watch.
stress-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS) --target streaming_graph_tests devices_test \
		dv_output_test playlist_calc_len_test
	QUINTAPE_GRAPH_LOOPS=1000 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		./build/tsan/tests/platform/streaming/streaming_graph_tests --gtest_filter='*Stress*:*Loop*'
	QUINTAPE_CAMCORDER_LOOPS=200 QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 $(TSAN_FFMPEG)" \
		./build/tsan/tests/platform/filters/devices_test --gtest_filter='Camcorder*'
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 $(TSAN_FFMPEG)" \
		./build/tsan/tests/platform/filters/dv_output_test \
		--gtest_filter='DvCamcorder*:DvDeviceWatch*'
	QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		./build/tsan/tests/playlist/playlist_calc_len_test --gtest_repeat=20

# Coverage instrumentation for libFuzzer in every library, sanitizers as in the ci build.
build-fuzz: deps
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
		-DQUINTAPE_SANITIZE=ON -DQUINTAPE_BUILD_TESTS=OFF -DQUINTAPE_BUILD_BENCH=OFF \
		-DQUINTAPE_BUILD_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS) --target fuzzers

fuzz: build-fuzz
	./fuzz/run-fuzzers build/fuzz $(FUZZ_SECONDS)

bench: deps
	cmake --preset release -DQUINTAPE_BUILD_BENCH=ON
	cmake --build --preset release -j $(JOBS)
	./build/release/bench/bench-probe

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
