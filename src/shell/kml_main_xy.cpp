// The text road: XY text file selection and its conversion run.
#include "shell/kml_main.h"

void KML_Main::Command1_Click() {}
void KML_Main::Command9_Click() {}
