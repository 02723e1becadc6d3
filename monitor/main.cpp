// Zemtra_Monitor: watches and exercises one Zemtra board.
#include "program.h"

int main(int argc, char** argv) { return RunProgram(argc, argv); }
