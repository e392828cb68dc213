# The two commands of the README: `make demo` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all bootstrap configure build demo test clean

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

clean:
	rm -rf $(BUILD)
