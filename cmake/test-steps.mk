# The steps of ./test.sh and what each needs before it can start. test.sh
# runs them with
#   make -f cmake/test-steps.mk -j CORES+1 --output-sync -k all|native RUNS_32BIT=yes|no
# so that a step starts as soon as the steps it needs have ended and a job
# slot is free: the Wine prefixes are made and the fuzz tree is built while
# the other trees compile, and the Wine tests and the fuzz smoke run beside
# the last builds. The trees' builds take their compile jobs from the same
# slots (the `+` hands make's job server down to cmake --build), which keeps
# the cores busy without overloading them; the one slot more than cores
# fills the time in which Wine tests wait. Every step goes through
# test-step.sh, which times it and keeps its output in build/logs.

STEP := cmake/test-step.sh

# Every tree uses make, so that its compile jobs come from the shared slots.
export CMAKE_GENERATOR := Unix Makefiles

# Where ccache is installed, a second run reuses the compiler's earlier work
# (CMake takes the launchers from the environment when it makes a tree).
# The precompiled headers are only reused with these sloppiness settings.
# CCACHE_DISABLE=1 compiles everything, as on a machine without ccache.
ifneq ($(shell command -v ccache),)
export CMAKE_C_COMPILER_LAUNCHER := ccache
export CMAKE_CXX_COMPILER_LAUNCHER := ccache
export CCACHE_SLOPPINESS := pch_defines,time_macros,include_file_mtime,include_file_ctime
endif

.PHONY: all native
# Make starts the runnable step listed first: the order sets what comes
# first. The fuzz smoke, on one core, runs beside the builds rather than
# alone at the end. Then the trees the longest tests need (win64's, with the
# dialog tests, needs the native and release trees too), and the win32 tree,
# whose tests are short. The benchmarks, which nothing needs, fill gaps.
all: fuzz-smoke build-native build-release build-win64 tests-win64 build-win32
ifeq ($(RUNS_32BIT),yes)
all: tests-win32 tests-release
endif
all: tests-native release-check build-bench install-script
native: tests-native install-script

# --- configure and build -----------------------------------------------------
NATIVE_ARGS := -DCMAKE_BUILD_TYPE=Debug -DKELVADO_SANITIZE=ON
WIN32_ARGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
WIN64_ARGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
# What ships: the 32-bit libraries for Windows XP SP3 and later (win32
# thread model), stripped, and the package, in build/release/dist.
RELEASE_ARGS := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-win32.cmake -DCMAKE_BUILD_TYPE=Release \
  -DKELVADO_RELEASE_TREE=ON
# Benchmarks are only built here, so they keep compiling; bench/run.sh runs them.
BENCH_ARGS := -DCMAKE_BUILD_TYPE=Release -DKELVADO_BENCH=ON -DKELVADO_TESTS=OFF

.PHONY: configure-native configure-win32 configure-win64 configure-release configure-bench
configure-native:
	$(STEP) quiet $@ cmake -S . -B build/native $(NATIVE_ARGS)
configure-win32:
	$(STEP) quiet $@ cmake -S . -B build/win32 $(WIN32_ARGS)
configure-win64:
	$(STEP) quiet $@ cmake -S . -B build/win64 $(WIN64_ARGS)
configure-release:
	$(STEP) quiet $@ cmake -S . -B build/release $(RELEASE_ARGS)
configure-bench:
	$(STEP) quiet $@ cmake -S . -B build/bench $(BENCH_ARGS)

.PHONY: build-native build-win32 build-win64 build-release build-bench build-fuzz
build-native: configure-native
	+$(STEP) quiet $@ cmake --build build/native
build-win32: configure-win32
	+$(STEP) quiet $@ cmake --build build/win32
build-win64: configure-win64
	+$(STEP) quiet $@ cmake --build build/win64
build-release: configure-release
	+$(STEP) quiet $@ cmake --build build/release
build-bench: configure-bench
	+$(STEP) quiet $@ cmake --build build/bench
# fuzz/run.sh configures its tree and builds the two fuzz targets.
build-fuzz:
	+$(STEP) quiet $@ fuzz/run.sh --build-only

.PHONY: fuzz-smoke
fuzz-smoke: build-fuzz
	+$(STEP) show $@ fuzz/run.sh 30

# --- Wine prefixes ------------------------------------------------------------
# Each Windows tree's tests run in a prefix of the tree's own, and the
# decimal-comma test in one made in the comma locale: made here while the
# trees compile, instead of by the first test that runs in them.
.PHONY: prefix-win32 prefix-win64 prefix-release prefix-win32-comma prefix-win64-comma
prefix-win32:
	$(STEP) quiet $@ cmake/make-wine-prefix.sh 32 build/win32/wineprefix
prefix-win64:
	$(STEP) quiet $@ cmake/make-wine-prefix.sh 64 build/win64/wineprefix
prefix-release:
	$(STEP) quiet $@ cmake/make-wine-prefix.sh 32 build/release/wineprefix
prefix-win32-comma:
	$(STEP) quiet $@ cmake/make-wine-prefix.sh 32 build/win32/wineprefix-comma de_DE.UTF-8
prefix-win64-comma:
	$(STEP) quiet $@ cmake/make-wine-prefix.sh 64 build/win64/wineprefix-comma de_DE.UTF-8

# --- tests ----------------------------------------------------------------------
# The install script's decisions, against stand-ins for apt-get and dpkg.
.PHONY: install-script
install-script:
	$(STEP) show $@ tests/install_deps_test.sh

# Every Windows tree compares its stand-in host with the native tree's.
# The release tree runs the plug-in folder tests built by the win32 tree on
# the files that ship; the win64 tree checks the release tree's files and
# runs the dialog tests on them.
.PHONY: tests-native tests-win32 tests-win64 tests-release
tests-native: build-native
	$(STEP) show $@ cmake/run-tests.sh build/native
tests-win32: build-win32 prefix-win32 prefix-win32-comma build-native
	$(STEP) show $@ cmake/run-tests.sh build/win32 32
tests-release: build-release prefix-release build-win32 build-native
	$(STEP) show $@ cmake/run-tests.sh build/release 32
# After the release check, which runs a program in this tree's prefix: its
# Wine server must have ended before the tests start theirs.
tests-win64: build-win64 prefix-win64 prefix-win64-comma build-release build-native release-check
	$(STEP) show $@ cmake/run-tests.sh build/win64 64

# What ships: the release tree's dist/ copied to dist/, as ./demo.sh copies
# it, checked as a host needs it (the version resources are read back by the
# 64-bit reader under Wine, which every machine here runs).
.PHONY: release-check
release-check: build-release build-win64 prefix-win64
	$(STEP) show $@ cmake/release-check.sh
