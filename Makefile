# The two commands of the README, and the heavier runs kept out of `make test`.
JOBS ?= 2
NATIVE := build/native

.PHONY: all run test build native win32 win64 windows bootstrap fuzz bench format clean

all: build

bootstrap:
	@tools/bootstrap

build: bootstrap native windows

native:
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS) -- --no-print-directory

win32:
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j$(JOBS) -- --no-print-directory

# The shipped program is 32-bit and always built. Where the kernel runs no 32-bit program,
# the same sources are also built for x86-64 (build/win64), and that is what runs here.
windows: win32
	@if [ "$$(tools/wine-run --tree)" = win64 ]; then $(MAKE) --no-print-directory win64; fi

win64:
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64 -j$(JOBS) -- --no-print-directory

run: bootstrap windows
	@tools/run-setup

# Every suite runs even when an earlier one fails, so one report shows all
# failures; brief output keeps a failure's message near the end of the log.
test: build
	@status=0; \
	tools/fuzz-run 10 || status=1; \
	GTEST_BRIEF=1 ctest --test-dir $(NATIVE) --output-on-failure || status=1; \
	tree=$$(tools/wine-run --tree); \
	if [ $$tree = win64 ]; then echo "This kernel runs no 32-bit programs: the Windows tests run" \
	  "from build/win64, the same sources built for 64-bit Windows."; else tree=win32; fi; \
	GTEST_BRIEF=1 tools/with-xvfb ctest --test-dir build/$$tree --output-on-failure || status=1; \
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
