// Start-up, shut-down, the tab rule and the help page.
#include "shell/kml_main.h"
#include "shell/tab_control.h"

void KML_Main::Form_Load() {}

void KML_Main::Form_Unload() {}

void KML_Main::SSTab1_Click(int /*previousTab*/)
{
    // The road not chosen at start-up stays closed; selecting it (by a click
    // or by an operation) brings back the chosen road's tab.
    const int tab = SSTab1->currentIndex();
    if (tab == 0 && Input_Mode == QLatin1String("SEGY"))
        SSTab1->setCurrentIndex(3);
    else if (tab == 3 && Input_Mode == QLatin1String("TEXT_XY"))
        SSTab1->setCurrentIndex(0);
}

void KML_Main::Command6_Click() {}
