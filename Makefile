# Set-up commands: `make run` builds the shell and runs the first example
# knowledge base (the car diagnosis, its answers read from a batch file), `make test`
# builds the tests under the sanitizers and runs them, then builds hosts against
# installed copies of the library (scripts/check-install), `make bench` measures
# the hot paths, `make tsan` runs the tests that use a second thread under
# ThreadSanitizer, `make docs` rewrites the generated reference of
# docs/language.md from the engine (after adding or changing a function).
JOBS ?= 2
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-sanitize
FUZZ_BUILD_DIR ?= build-fuzz
FAULTS_BUILD_DIR ?= build-faults
TSAN_BUILD_DIR ?= build-tsan
INSTALL_BUILD_DIR ?= build-install
FUZZ_TIME ?= 600
# The interpreter the Python module is built for (CMake picks the same).
PYTHON ?= /usr/bin/python3

.PHONY: all setup run test faults tsan bench docs fuzz clean format

all: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DIE_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j$(JOBS)

setup:
	@scripts/setup

run: all
	./$(BUILD_DIR)/shell/ieshell examples/diagnosis/diagnosis.kb -f examples/diagnosis/answers.bat

test: setup
	cmake -S . -B $(TEST_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DIE_SANITIZE=ON -DIE_BUILD_TESTS=ON
	cmake --build $(TEST_BUILD_DIR) -j$(JOBS)
	ctest --test-dir $(TEST_BUILD_DIR) --output-on-failure -j$(JOBS)
	JOBS=$(JOBS) scripts/check-install $(CURDIR)/$(INSTALL_BUILD_DIR)

# The library with fault injection: every allocation, file operation and
# host callback of the workloads in tests/faults fails in turn; then the
# count of the library's catch handlers that the failures reached.
faults: setup
	cmake -S . -B $(FAULTS_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DIE_SANITIZE=ON -DIE_FAULTS=ON \
	  -DIE_BUILD_TESTS=ON -DIE_BUILD_SHELL=OFF -DIE_BUILD_EXAMPLES=OFF
	cmake --build $(FAULTS_BUILD_DIR) -j$(JOBS) --target ie_fault_tests
	find $(FAULTS_BUILD_DIR) -name '*.gcda' -delete
	ctest --test-dir $(FAULTS_BUILD_DIR) -R '^Faults$$' --output-on-failure; STATUS=$$?; \
	  scripts/handler-coverage $(FAULTS_BUILD_DIR); exit $$STATUS

tsan: setup
	cmake -S . -B $(TSAN_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DIE_TSAN=ON -DIE_BUILD_TESTS=ON \
	  -DIE_BUILD_SHELL=OFF -DIE_BUILD_EXAMPLES=OFF
	cmake --build $(TSAN_BUILD_DIR) -j$(JOBS) --target ie_threaded_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./$(TSAN_BUILD_DIR)/tests/ie_threaded_tests

bench: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DIE_BUILD_TESTS=OFF -DIE_BUILD_BENCH=ON
	cmake --build $(BUILD_DIR) -j$(JOBS)
	./$(BUILD_DIR)/bench/ie_bench
	@if [ -f $(BUILD_DIR)/ie.*.so ]; then PYTHONPATH=$(BUILD_DIR) $(PYTHON) bench/PythonAssert.py \
	  ./$(BUILD_DIR)/bench/ie_host_assert; fi

docs: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DIE_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j$(JOBS) --target ie_function_table
	./$(BUILD_DIR)/tools/ie_function_table --update docs/language.md

# Each target of FUZZ_TARGETS runs FUZZ_TIME seconds. New inputs go to a
# scratch corpus in the build directory; fuzz/corpus/TARGET keeps the seeds
# and the inputs that once found a fault.
FUZZ_TARGETS ?= parser load format
fuzz: setup
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DIE_BUILD_FUZZ=ON -DIE_BUILD_TESTS=OFF -DIE_BUILD_EXAMPLES=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j$(JOBS) --target $(FUZZ_TARGETS:%=ie_%_fuzzer)
	for TARGET in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$TARGET && \
	  ./$(FUZZ_BUILD_DIR)/fuzz/ie_$${TARGET}_fuzzer -max_total_time=$(FUZZ_TIME) \
	    -dict=fuzz/$$TARGET.dict -max_len=4096 -timeout=10 -rss_limit_mb=3072 \
	    -artifact_prefix=$(FUZZ_BUILD_DIR)/$$TARGET- $(FUZZ_BUILD_DIR)/corpus/$$TARGET \
	    fuzz/corpus/$$TARGET || exit 1; \
	done

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(FUZZ_BUILD_DIR) $(FAULTS_BUILD_DIR) $(TSAN_BUILD_DIR) \
	  $(INSTALL_BUILD_DIR)
