#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/program.hpp"

namespace {

quill::TimeStamp local_clock() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  quill::Surroundings env{std::cin, std::cout, std::cerr, local_clock,
                          std::filesystem::current_path()};
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int status = quill::run_program(env, args);
  std::cout.flush();
  return status;
}
