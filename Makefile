# Two entry points for a fresh Debian 12 machine: `make run` and `make test`.
# Both install what is missing, configure and build into build/.

BUILD ?= build
JOBS ?= $(shell nproc)
PACKAGES := cmake g++ make qt6-base-dev qt6-base-private-dev qt6-svg-dev libqt6svg6 libgl-dev \
            libbenchmark-dev fonts-dejavu-core hicolor-icon-theme \
            desktop-file-utils appstream dpkg-dev file fusefat dosfstools
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test package format clean

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

clean:
	rm -rf $(BUILD)
