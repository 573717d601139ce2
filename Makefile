# Entry points: `make run`, `make test` and `make package`. Both install what is missing first.
BUILD_DIR  ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES := build-essential cmake ninja-build pkg-config ccache \
	qt6-base-dev qt6-base-dev-tools qt6-httpserver-dev libqt6svg6 qcoro-qt6-dev \
	libsecret-1-dev libical-dev libicu-dev libglib2.0-dev libgl-dev libsimdjson-dev \
	evolution-data-server libecal2.0-dev libedataserver1.2-dev \
	adwaita-icon-theme hicolor-icon-theme fonts-dejavu-core \
	libgtest-dev libgmock-dev libbenchmark-dev \
	libxcb1-dev \
	dbus dbus-daemon gnome-keyring desktop-file-utils xdg-utils appstream dpkg-dev \
	xvfb xdotool openbox tint2 x11-utils

.PHONY: deps build run test test-sanitize bench package clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./scripts/install-desktop-entry.sh $(abspath $(BUILD_DIR))/app/pelmora
	$(BUILD_DIR)/app/pelmora

test: build
	./scripts/test-session.sh ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UBSan, in a build folder of its own. Any
# finding fails the run; the suppressions name leaks inside libraries with no frame of ours.
test-sanitize:
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/sanitizer-leaks.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	$(MAKE) test BUILD_DIR=build-sanitize BUILD_TYPE=RelWithDebInfo CMAKE_FLAGS=-DPELMORA_SANITIZE=ON

# A .deb in $(BUILD_DIR) for `apt install ./pelmora_*.deb`.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; "$$b"; done

clean:
	rm -rf $(BUILD_DIR)
