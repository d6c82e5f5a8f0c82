# The two commands of the README, and the heavier runs kept out of `make test`.
JOBS ?= 2
NATIVE := build/native

.PHONY: all run test build native win32 bootstrap fuzz bench format clean

all: build

bootstrap:
	@tools/bootstrap

build: bootstrap native win32

native:
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS) -- --no-print-directory

win32:
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j$(JOBS) -- --no-print-directory

run: bootstrap win32
	@tools/run-setup

# Every suite runs even when an earlier one fails, so one report shows all
# failures; brief output keeps a failure's message near the end of the log.
test: build
	@status=0; \
	tools/fuzz-run 10 || status=1; \
	GTEST_BRIEF=1 ctest --test-dir $(NATIVE) --output-on-failure || status=1; \
	GTEST_BRIEF=1 tools/with-xvfb ctest --test-dir build/win32 --output-on-failure || status=1; \
	tools/screens-to-png || status=1; \
	exit $$status

fuzz: bootstrap
	@tools/fuzz-run $${FUZZ_SECONDS:-300}

bench: bootstrap
	@tools/bench-run
	@tools/bench-unzip

# Lays out every C++ source by .clang-format.
format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
