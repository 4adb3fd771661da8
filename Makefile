# Quick start:
#   make run    build and take the bundled sample test in a window
#   make test   build and run every test
#   make dist   build a release into dist/ (zip for Windows and DOS, Debian package)
.PHONY: run test build dist clean

test:
	scripts/test-all.sh

run:
	scripts/run-sample.sh

dist:
	scripts/dist.sh

build:
	scripts/setup.sh
	cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
	cmake --build build

clean:
	rm -rf build build-asan build-fuzz build-tsan build-win32 build-dos build-dist build-release build-debug \
	  build-minsizerel scratch dist
