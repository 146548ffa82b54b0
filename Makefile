# Two entry points that each do all the set-up from a fresh clone:
#   make run   - build Quintape, probe the demo playlist and play it out into a DV file
#   make test  - build with sanitizers and run the test suite
.PHONY: run test stress-tsan deps build-release build-ci bench format format-check clean

JOBS ?= $(shell nproc)

deps:
	./scripts/install-deps

build-release: deps
	cmake --preset release -DQUINTAPE_BUILD_TESTS=OFF -DQUINTAPE_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS) --target quintape demo-media

run: build-release
	./build/release/app/quintape --probe ./build/release/demo-media/demo.plst
	./build/release/app/quintape --render ./build/release/demo.dv ./build/release/demo-media/demo.plst

build-ci: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)

test: build-ci stress-tsan
	ctest --preset ci -j $(JOBS)

# The streaming core's run/pause/seek/stop loop, 1,000 times under the thread sanitizer.
stress-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS) --target streaming_graph_tests playlist_calc_len_test
	QUINTAPE_GRAPH_LOOPS=1000 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
		./build/tsan/tests/platform/streaming/streaming_graph_tests --gtest_filter='*Stress*:*Loop*'
	QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ./build/tsan/tests/playlist/playlist_calc_len_test --gtest_repeat=20

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
