#include "app/program.hpp"

#include "cli/command_line.hpp"
#include "dialogue/dialogue.hpp"

namespace quill {

int run_program(Surroundings& env, const std::vector<std::string>& args) {
  if (args.empty()) return run_dialogue(env);
  return run_command_line(env, args);
}

}  // namespace quill
