# The two setup commands. Both work on a fresh machine: missing tools come from Debian's
# packages through scripts/install-deps.sh.
EXAMPLE := examples/rr_intervals.txt
CMAKE_FLAGS ?=

PREFIX ?= /usr/local

.PHONY: run test deps format bench fuzz install package clean

run: deps
	@cmake --preset release $(CMAKE_FLAGS) >&2
	@cmake --build --preset release --target dinc >&2
	@echo "./build/release/dinc $(EXAMPLE)" >&2
	@./build/release/dinc $(EXAMPLE)

test: deps
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
	cmake --preset release -DDINC_WERROR=ON $(CMAKE_FLAGS)
	cmake --build --preset release
	ctest --preset release
	cmake --preset asan -DDINC_WERROR=ON $(CMAKE_FLAGS)
	cmake --build --preset asan
	ctest --preset asan

bench: deps
	bash bench/run_bench.sh
	for b in build/bench/bench/*_bench; do $$b --benchmark_min_time=0.2; done

# The fuzz targets with clang and libFuzzer, FUZZ_SECONDS each (not part of make test).
FUZZ_SECONDS ?= 60
fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

install: deps
	cmake --preset release
	cmake --build --preset release
	cmake --install build/release --prefix $(PREFIX)

package: deps
	cmake --preset release
	cmake --build --preset release
	cd build/release && cpack -G DEB

deps:
	@bash scripts/install-deps.sh

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
