#pragma once
// The seismic road's handlers: choosing the seismic file and reading its
// headers, extracting and converting its traces' points, writing them as a
// KML file, opening that file in the earth viewer.

#include "base/result.h"
#include "conversion/road.h"

#include <QString>

#include <optional>
#include <string>

struct WindowParts;

class SeismicRoad {
public:
    explicit SeismicRoad(WindowParts& window);

    // Reads the headers of the file Text4 names, shows them on tab 3 and
    // arms the extraction; on failure tells why on the tab's line only, and
    // disarms the extraction (Text4 names a file whose headers were not
    // read). Start-up ignores the failure; Command7_Click tells it.
    marovin::Status lecture_SU();

    void Command7_Click();
    void Command8_Click();
    void Command3_Click();
    void Command4_Click();

private:
    // The road's request as tab 3's boxes name it; nothing, after telling
    // why, when they name nothing that can be extracted.
    std::optional<marovin::RoadRequest> extractionRequest();
    void showFailure(const marovin::RoadError& failure);
    void anglesNeedAGeographicSystem();
    marovin::Status disarm(const QString& shownPath, const std::string& why);
    // Whether the extraction may run: the header state is the file Text4
    // names; otherwise says why.
    bool headerIsTheFileNamed();

    WindowParts& w_;
};
