# The two commands of the README: `make demo` and `make test`; `make deb` builds the Debian package.
BUILD ?= build
DEB_BUILD ?= build-deb
JOBS  ?= $(shell nproc)

.PHONY: all bootstrap configure build demo test deb clean

all: build

bootstrap:
	@scripts/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_TEST_BUILD=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@scripts/demo.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# A release build for real installations (the processor's own address), with Debian's hardening flags.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
deb:
	@scripts/bootstrap.sh --package
	@cmake -S . -B $(DEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DKELVANE_TEST_BUILD=OFF \
	  -DKELVANE_BUILD_TESTS=OFF -DKELVANE_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" >/dev/null
	@cmake --build $(DEB_BUILD) -j $(JOBS)
	@cd $(DEB_BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(DEB_BUILD)
