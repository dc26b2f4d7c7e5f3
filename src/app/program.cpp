#include "app/program.hpp"

namespace quill {

int run_program(Surroundings& env) {
  (void)env;
  return 0;
}

}  // namespace quill
