# Quick start:
#   make run    build and take the bundled sample test in a window
#   make test   build and run every test
#   make dist   build a release into dist/ (zip for Windows and DOS, Debian package)
#   make web    build the browser version into build-web/; make run-web serves it
.PHONY: run test build dist clean web run-web

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

web:
	scripts/setup.sh
	web/build.sh

run-web: web
	web/serve.sh

clean:
	rm -rf build build-asan build-fuzz build-tsan build-win32 build-dos build-web build-dist build-release build-debug \
	  build-minsizerel scratch dist
