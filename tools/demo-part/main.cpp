// oxlen-demo-part: builds the demo bracket with Open CASCADE and writes it as a STEP file (AP214,
// millimetres, one product named "bracket"), so that the meshing tools have a realistic part to
// work on without any model file in the repository.

#include <exception>
#include <iostream>
#include <string>

#include "bracket.h"
#include "step_writer.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') {
    std::cerr << "usage: oxlen-demo-part FILE.step\n"
                 "Builds the demo bracket (about 120 x 80 x 60 mm) and writes it to FILE.step.\n";
    return 2;
  }
  try {
    oxlen_step::WriteStepProduct(oxlen_demo_part::BuildBracket(), argv[1], "bracket");
  } catch (const std::exception& e) {
    std::cerr << "oxlen-demo-part: " << e.what() << '\n';
    return 1;
  }
  std::cout << "oxlen-demo-part: wrote " << argv[1] << '\n';
  return 0;
}
