# Quick start:
#   make run    build and take the bundled sample test in a window
#   make test   build and run every test
.PHONY: run test build clean

test:
	scripts/test-all.sh

run:
	scripts/run-sample.sh

build:
	scripts/setup.sh
	cmake -S . -B build -G Ninja >/dev/null
	cmake --build build

clean:
	rm -rf build build-asan build-fuzz build-tsan build-win32 build-dos scratch
