// The logo render process for tests of the brand layer: what the program runs with "--render-logo",
// without linking the whole program.
#include "brand/LogoRenderChild.h"

int main(int argc, char **argv) { return LogoRenderChild::run(argc, argv); }
