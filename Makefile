# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
# Both install what is missing, configure and build into build/.

BUILD ?= build
JOBS ?= $(shell nproc)
PACKAGES := cmake g++ make qt6-base-dev qt6-base-private-dev qt6-svg-dev libqt6svg6 libgl-dev \
            libbenchmark-dev zlib1g-dev fonts-dejavu-core hicolor-icon-theme \
            desktop-file-utils appstream dpkg-dev file clang-format qt6-translations-l10n \
            qt6-wayland xvfb x11-utils openbox weston dbus at-spi2-core python3-gi \
            gir1.2-atspi-2.0 fusefat dosfstools xauth libexiv2-dev exfat-fuse exfatprogs \
            e2fsprogs
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test package format check-format dev asan screenshots clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/tarvelok

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A Debian package in $(BUILD)/, installable with `apt install ./$(BUILD)/tarvelok_*.deb`.
package: build
	cmake --build $(BUILD) --target package

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# Every warning an error (build-dev/).
dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev -j $(JOBS)

# The tests under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/); the install test
# is left out, since it checks packaging, not memory.
asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# Refreshes docs/screenshots under Xvfb with a window manager, so the pictures have a title bar.
# The Russian locale gives the status bar a Russian date; Qt has its own data for it, so the
# system need not have the locale installed.
screenshots: build
	LC_ALL=ru_RU.UTF-8 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
	    'openbox --sm-disable >/dev/null 2>&1 & ./$(BUILD)/tests/gui/take_screenshots docs/screenshots'

clean:
	rm -rf $(BUILD) build-dev build-asan
