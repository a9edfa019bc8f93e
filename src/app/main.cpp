#include "app/start_up.h"

int main(int argc, char** argv) { return lumo::app::StartUp(argc, argv); }
