// The floors of the program: a folder of src/ includes only its own files and those of the
// floors below it. The windows reach one another through what the application wires in
// src/app, never through an include that runs up a floor.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> kFloors = {
    {"base", 0},    {"db", 1},         {"cli", 1},   {"herd", 2},       {"ui", 2},
    {"reference", 3}, {"help", 3},     {"cows", 4},  {"herdgen", 4},    {"sires", 5},
    {"evaluation", 6}, {"safety", 6},  {"starter", 6}, {"scoreform", 7}, {"app", 8},
};

TEST(Layering, NoIncludeRunsUpAFloorOrSideways) {
  const fs::path src = fs::path(KORVEL_SOURCE_DIR) / "src";
  const std::regex include(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")");
  std::vector<std::string> unknown, upward;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    const fs::path rel = fs::relative(entry.path(), src);
    const std::string from = rel.begin()->string();
    if (!kFloors.count(from)) {
      unknown.push_back(rel.string());
      continue;
    }
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
      std::smatch m;
      if (!std::regex_search(line, m, include) || m[1] == from) continue;
      const auto to = kFloors.find(m[1]);
      if (to == kFloors.end()) continue;  // an include of the folder's own header dir, say
      if (to->second >= kFloors.at(from)) upward.push_back(rel.string() + ":" + std::to_string(n) + " -> " + m[1].str());
    }
  }
  EXPECT_GT(files, 100) << "the sources were not found";
  EXPECT_EQ(unknown, std::vector<std::string>{}) << "a new folder under src/ wants its floor here";
  EXPECT_EQ(upward, std::vector<std::string>{});
}

}  // namespace
