# Two entry points that each do all the set-up from a fresh clone:
#   make run   - build Quintape and run it over the demo playlist
#   make test  - build with sanitizers and run the test suite
.PHONY: run test deps build-release build-ci bench format format-check clean

JOBS ?= $(shell nproc)

deps:
	./scripts/install-deps

build-release: deps
	cmake --preset release -DQUINTAPE_BUILD_TESTS=OFF -DQUINTAPE_BUILD_BENCH=OFF
	cmake --build --preset release -j $(JOBS) --target quintape demo-media

run: build-release
	./build/release/app/quintape --probe ./build/release/demo-media/demo.plst

build-ci: deps
	cmake --preset ci
	cmake --build --preset ci -j $(JOBS)

test: build-ci
	ctest --preset ci -j $(JOBS)

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
