#include "driver/run.h"

int main(int argc, char** argv) { return dinc::run(argc, argv); }
