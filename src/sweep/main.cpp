#include "sweep/sweep_run.h"

int main(int argc, char** argv) { return dinc::run_sweep(argc, argv); }
