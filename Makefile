# Set-up commands: `make run` builds the shell and runs the first example
# knowledge base (the car diagnosis, its answers read from a batch file), `make test`
# builds the tests under the sanitizers and runs them, `make bench` measures
# the hot paths.
JOBS ?= 2
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-sanitize

.PHONY: all setup run test bench clean format

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

format:
	clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	rm -rf $(BUILD_DIR) $(TEST_BUILD_DIR)
