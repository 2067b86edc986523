# The build engine-testing frameworks run: `make` builds the engine optimised
# through CMake and leaves the program at $(EXE), `tavik` here unless given
# (`make EXE=path/name`). A CXX given on the command line or in the
# environment picks the compiler; `make clean` removes the build and $(EXE).
# CMake is the one build description; this file only drives it.

ROOT := $(patsubst %/,%,$(dir $(abspath $(lastword $(MAKEFILE_LIST)))))
EXE ?= tavik
BUILD_DIR ?= $(ROOT)/build/make
CMAKE ?= cmake

# Make's own default CXX names no choice, so only a given one reaches CMake.
ifneq ($(filter environment% command%,$(origin CXX)),)
COMPILER := -DCMAKE_CXX_COMPILER=$(CXX)
endif

.PHONY: all clean

# The '+' hands make's job slots to the build CMake runs, so `make -j`
# builds in parallel.
all:
	$(CMAKE) -S $(ROOT) -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DTAVIK_TESTS=OFF $(COMPILER)
	+$(CMAKE) --build $(BUILD_DIR) --target tavik
	cp $(BUILD_DIR)/tavik $(EXE)

clean:
	rm -rf $(BUILD_DIR)
	rm -f $(EXE)
