// Converter exchange: the job's system block and the converter launch.
#include "shell/kml_main.h"

void KML_Main::Transform_System() {}

void KML_Main::Combo2_Change()
{
    if (openJob_)
        Transform_System();
}

bool KML_Main::launchConverter() { return false; }
