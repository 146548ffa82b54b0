# Two entry points that each do all the set-up from a fresh clone:
#   make run   - build Quintape and open its window with the demo playlist, which plays at once
#                into the "DV Monitor" window (the first device when no camcorder is connected;
#                without a display: probe the demo playlist and play it out into a DV file)
#   make test  - build with sanitizers and run the test suite
# make screenshots renders every page of the main window to build/screenshots/*.png.
.PHONY: run test stress-tsan deps build-release build-ci bench format format-check clean \
	screenshots

JOBS ?= $(shell nproc)

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

# The streaming core's run/pause/seek/stop loop, 1,000 times under the thread sanitizer.
stress-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS) --target streaming_graph_tests
	QUINTAPE_GRAPH_LOOPS=1000 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		./build/tsan/tests/platform/streaming/streaming_graph_tests --gtest_filter='*Stress*:*Loop*'

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
