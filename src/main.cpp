#include "command_line.h"

int main(int argc, char** argv) { return pgdump2pl::run_command_line(argc, argv); }
