// Replays every seed and every regression file of the fuzz targets through
// their checks, in every build (natively, under the sanitizers and under
// Wine), so an input that once failed stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_checks.h"

namespace xpconv::fuzz {
namespace {

struct Target {
  const char* name;  // the folder under corpus/ and regressions/
  std::function<void(std::string_view)> check;
};

std::vector<std::filesystem::path> InputsOf(const std::string& name) {
  std::vector<std::filesystem::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const std::filesystem::path folder = std::filesystem::path(XPC_FUZZ_DIR) / kind / name;
    if (!std::filesystem::is_directory(folder)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
  }
  return inputs;
}

class ReplayTest : public ::testing::TestWithParam<Target> {};

TEST_P(ReplayTest, EverySeedAndRegressionInputPassesTheChecks) {
  const std::vector<std::filesystem::path> inputs = InputsOf(GetParam().name);
  EXPECT_FALSE(inputs.empty()) << "no seeds for " << GetParam().name;
  for (const std::filesystem::path& input : inputs) {
    SCOPED_TRACE(input.string());
    std::ifstream file(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    try {
      GetParam().check(bytes);
    } catch (const std::exception& error) {
      ADD_FAILURE() << error.what();
    }
  }
}

std::vector<Target> Targets() {
  std::vector<Target> targets = {
      {"form", CheckFormConversion},
      {"project", CheckProjectFile},
      {"command_line", CheckCommandLine},
      {"code_scanner", CheckCodeScanner},
  };
#ifndef _WIN32
  targets.push_back({"posix_names", CheckPosixNames});
#endif
  return targets;
}

INSTANTIATE_TEST_SUITE_P(FuzzTargets, ReplayTest, ::testing::ValuesIn(Targets()),
                         [](const ::testing::TestParamInfo<Target>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace xpconv::fuzz
