// MKTG450_Installer [mode [port [ip-address [tcp-port]]]]
#include "installer/app/InstallerApp.h"

int main(int argc, char** argv) { return installer::InstallerMain(argc, argv); }
