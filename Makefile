# Daily shortcuts; ./run.sh and ./test.sh do the full set-up.
.PHONY: all run test test-asan fuzz-smoke bench install clean

all:
	bash scripts/build.sh build

run:
	./run.sh

test:
	./test.sh

test-asan:
	bash scripts/install-deps.sh
	bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMARIS_SANITIZE=ON
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$$(nproc)

fuzz-smoke:
	bash scripts/fuzz-smoke.sh

bench:
	bash scripts/install-deps.sh bench
	bash scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVELMARIS_BENCH=ON

install: all
	cmake --install build

clean:
	rm -rf build build-asan build-fuzz build-bench
