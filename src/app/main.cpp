// DUNMERE Harlune: the GUI program. The application object is global, as the framework expects:
// it exists before main() runs, and main() only hands it the command line.
#include "bluetooth/vantrelapp.h"

CVantrelApp theApp;

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
