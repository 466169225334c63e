// Seismic file selection and header read.
#include "shell/kml_main.h"

marovin::Status KML_Main::lecture_SU() { return marovin::fail("not built yet"); }

void KML_Main::Command7_Click() {}
