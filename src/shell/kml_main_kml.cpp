// KML writing, KML file naming and the earth-viewer launch.
#include "shell/kml_main.h"

void KML_Main::Command2_Click() {}
void KML_Main::Command3_Click() {}
void KML_Main::Command4_Click() {}
void KML_Main::Command10_Click() {}
void KML_Main::Command11_Click() {}
