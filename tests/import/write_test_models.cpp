// Writes the importer's test models as STEP files into the folder given on the command line, for
// the tests that run the command-line tool on them.

#include <cstdio>
#include <exception>
#include <filesystem>

#include "test_models.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_test_models FOLDER\n");
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    Oxlen::ImportTesting::WriteTestModels(dir);
    Oxlen::ImportTesting::WriteNoGeometryStep(dir / "no_geometry.step");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "write_test_models: %s\n", e.what());
    return 1;
  }
  return 0;
}
