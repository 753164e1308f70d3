# Set-up commands: `make run` builds the shell and runs the first example
# knowledge base (the car diagnosis, its answers read from a batch file), `make test`
# builds the tests under the sanitizers and runs them, `make bench` measures
# the hot paths, `make docs` rewrites the generated reference of
# docs/language.md from the engine (after adding or changing a function).
JOBS ?= 2
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-sanitize
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_TIME ?= 600

.PHONY: all setup run test bench docs fuzz clean format

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

bench: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DIE_BUILD_TESTS=OFF -DIE_BUILD_BENCH=ON
	cmake --build $(BUILD_DIR) -j$(JOBS)
	./$(BUILD_DIR)/bench/ie_bench

docs: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DIE_BUILD_TESTS=OFF
	cmake --build $(BUILD_DIR) -j$(JOBS) --target ie_function_table
	./$(BUILD_DIR)/tools/ie_function_table --update docs/language.md

# New inputs go to a scratch corpus in the build directory; fuzz/corpus keeps
# the seeds and the inputs that once found a fault.
fuzz: setup
	cmake -S . -B $(FUZZ_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DIE_BUILD_FUZZ=ON -DIE_BUILD_TESTS=OFF -DIE_BUILD_EXAMPLES=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j$(JOBS) --target ie_parser_fuzzer
	mkdir -p $(FUZZ_BUILD_DIR)/corpus
	./$(FUZZ_BUILD_DIR)/fuzz/ie_parser_fuzzer -max_total_time=$(FUZZ_TIME) \
	  -dict=fuzz/rules.dict -max_len=4096 -timeout=10 -rss_limit_mb=3072 \
	  -artifact_prefix=$(FUZZ_BUILD_DIR)/ $(FUZZ_BUILD_DIR)/corpus fuzz/corpus

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR) $(FUZZ_BUILD_DIR)
