# The two front doors: `make demo` and `make test`. Everything else is a step of those.
BUILD_DIR ?= build
SANITIZER_BUILD_DIR ?= build-asan
BUILD_TYPE ?= Release
CTEST_PARALLEL ?= 2

# Lets a second clone of the repository (CI) reuse the compiler cache of this one.
export CCACHE_BASEDIR := $(CURDIR)

DEMO_WAV ?= $(CURDIR)/quello-demo.wav
VST3_DIR ?= $(HOME)/.vst3
LV2_DIR ?= $(HOME)/.lv2
ARTEFACTS := $(BUILD_DIR)/Quello_artefacts/$(BUILD_TYPE)

.PHONY: all setup configure build test sanitizer-test demo install-plugins install-presets factory-presets format-check clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR)

# The sanitizer run comes first so that the suite's own summary is the last thing printed.
test: build
	@bash scripts/format-check.sh
	@$(MAKE) --no-print-directory sanitizer-test
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(CTEST_PARALLEL)

# The state robustness test under AddressSanitizer and UndefinedBehaviorSanitizer: only the
# shared code and that test are built, two jobs at a time.
sanitizer-test: setup
	@cmake -S . -B $(SANITIZER_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUELLO_SANITIZE=ON > /dev/null
	@cmake --build $(SANITIZER_BUILD_DIR) --target quello-state-fuzz --parallel 2
	@$(SANITIZER_BUILD_DIR)/tests/quello-state-fuzz

install-plugins: build
	@bash scripts/install-plugins.sh "$(ARTEFACTS)" "$(VST3_DIR)" "$(LV2_DIR)"

# Regenerates the committed factory bank in the current file format (on purpose only).
factory-presets: build
	@$(BUILD_DIR)/tools/quello-factory-presets "$(CURDIR)/presets"

install-presets:
	@bash scripts/install-presets.sh "$(CURDIR)/presets"

demo: install-plugins install-presets
	@$(BUILD_DIR)/tools/quello-render --demo "$(DEMO_WAV)"
	@echo "Demo render:     $(DEMO_WAV)"
	@echo "VST3 plug-in:    $(VST3_DIR)/Quello.vst3"
	@echo "LV2 plug-in:     $(LV2_DIR)/Quello.lv2"
	@echo "Standalone app:  $(ARTEFACTS)/Standalone/Quello"
	@echo "Renderer:        $(BUILD_DIR)/tools/quello-render --help"

format-check:
	@bash scripts/format-check.sh

clean:
	rm -rf $(BUILD_DIR) $(SANITIZER_BUILD_DIR)
