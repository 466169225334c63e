// The seismic road's conversion run.
#include "shell/kml_main.h"

void KML_Main::Command8_Click() {}
