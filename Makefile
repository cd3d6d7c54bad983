# make run      installs what is missing, builds the program, and starts it
# make test     installs what is missing, builds everything, and runs every test
# make package  builds the Debian package into dist/
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?= OFF
EXTRAS ?= ON
ARGS ?=

PACKAGES := cmake ninja-build g++ pkg-config make qt6-base-dev qt6-base-dev-tools libgl-dev \
            libmicrohttpd-dev libpoco-dev fonts-wqy-microhei libqt6sql6-sqlite qt6-tools-dev qt6-l10n-tools
TEST_PACKAGES := curl libxml2-utils python3-pyftpdlib prometheus dbus-daemon clang-format
BENCH_PACKAGES := nginx-light wrk curl

PACKAGE_PACKAGES := build-essential debhelper devscripts
CHECK_PACKAGES := lintian desktop-file-utils appstream debootstrap

.PHONY: all deps test-deps configure build build-all run test bench screenshots fuzz fuzz-build fuzz-smoke format clean package package-check

all: build

deps:
	@tools/install-deps.sh $(PACKAGES)

test-deps: deps
	@tools/install-deps.sh $(TEST_PACKAGES)

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBOXFLEET_SANITIZE=$(SANITIZE) -DBOXFLEET_EXTRAS=$(EXTRAS) -DBOXFLEET_WERROR=ON -DBUILD_TESTING=ON

# The program and what it loads; the tests, tools and benchmarks wait for build-all.
build: configure
	cmake --build $(BUILD) --target boxfleet vestrid

build-all: configure
	cmake --build $(BUILD)

run: build
	$(BUILD)/bin/boxfleet $(ARGS)

test: test-deps build-all
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2

bench: build-all
	@tools/install-deps.sh $(BENCH_PACKAGES)
	bench/content/run.sh $(BUILD)
	bench/link/run.sh $(BUILD)

screenshots: build-all
	@tools/install-deps.sh xvfb xauth python3-pyftpdlib
	xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb $(BUILD)/bin/screenshots docs/screenshots zh
	xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb $(BUILD)/bin/screenshots docs/screenshots/en en

# libFuzzer targets for the parsers of box files, box lines and FTP listings
# (clang; CI runs only `make fuzz-smoke`): FUZZ_RUNS executions each, seeded from
# tests/fuzz/corpus. Each target takes inputs up to its parser's own limit
# (16 MiB for box files), and a blow-up in memory or time is a finding.
FUZZ_RUNS ?= 1000000
FUZZ_OPTIONS ?= -rss_limit_mb=2048 -timeout=20
FUZZ_TARGETS := playlist:16777216 textlist:16777216 piclist:16777216 planstatus:16777216 diskdir:16777216 listline:8192 reply:1024
fuzz-build: deps
	@tools/install-deps.sh clang libclang-rt-dev
	@grep -qsx 'CMAKE_HOME_DIRECTORY:INTERNAL=$(CURDIR)' build-fuzz/CMakeCache.txt || rm -rf build-fuzz
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	    -DBOXFLEET_FUZZ=ON -DBUILD_TESTING=OFF -DBOXFLEET_EXTRAS=OFF -DBOXFLEET_WERROR=ON
	cmake --build build-fuzz --target fuzz_targets

# Every target built and run for a few seconds from its seeds (CI): a moved
# source or a new crash on a seed fails.
fuzz-smoke: fuzz-build
	for t in $(FUZZ_TARGETS); do \
	    name=$${t%%:*}; len=$${t##*:}; scratch=$$(mktemp -d); \
	    build-fuzz/bin/fuzz_$$name -max_total_time=3 -max_len=$$len $(FUZZ_OPTIONS) \
	        $$scratch tests/fuzz/corpus/$$name || exit 1; \
	    rm -rf $$scratch; \
	done

fuzz: fuzz-build
	for t in $(FUZZ_TARGETS); do \
	    name=$${t%%:*}; len=$${t##*:}; dict=; \
	    [ -f tests/fuzz/$$name.dict ] && dict=-dict=tests/fuzz/$$name.dict; \
	    mkdir -p build-fuzz/corpus-$$name; \
	    build-fuzz/bin/fuzz_$$name -runs=$(FUZZ_RUNS) -max_len=$$len $(FUZZ_OPTIONS) $$dict \
	        build-fuzz/corpus-$$name tests/fuzz/corpus/$$name || exit 1; \
	done

# The Debian package, built the way Debian builds packages, into dist/.
package: deps
	@tools/install-deps.sh $(PACKAGE_PACKAGES)
	dpkg-buildpackage -us -uc -b
	mkdir -p dist
	mv ../boxfleet_*.deb ../boxfleet_*.buildinfo ../boxfleet_*.changes dist/
	mv ../boxfleet-dbgsym_* dist/ 2>/dev/null || true
	debian/rules clean

# The package checked by Debian's own tools, then installed into a bare
# Debian 12 root and started there (minutes, and a Debian mirror).
package-check: package
	@tools/install-deps.sh $(CHECK_PACKAGES)
	tests/package/check.sh dist

format:
	find src tests tools bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
