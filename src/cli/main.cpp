#include "cli/run.h"

int main(int argc, char** argv) { return lumo::cli::Run(argc, argv); }
