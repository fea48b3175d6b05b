// A stand-alone driver for trying the renderer before the mkt450 program
// exists: mkt450-preview-dev STREAM.prn -o OUT.png [options].
#include "PreviewCommand.h"

int main(int argc, char** argv) { return mkt::preview::PreviewMain(argc, argv); }
