#pragma once
// The converter program as the window runs it: its job and result files in
// a folder of the window's own, made under the user's job folder at the
// first conversion and removed with the window, so that two windows never
// share a job; the program run with the busy pointer shown, stopped when the
// run is cancelled, its failures told in the user's words. The conversion
// runs on a worker thread.

#include "base/progress.h"
#include "conversion/road_conversion.h"
#include "shell/desktop.h"

#include <QString>

#include <memory>
#include <string>

class QTemporaryDir;
class QWidget;

class ProgramConverter {
public:
    // `converter` is the program, `jobRoot` the folder under which the
    // window's own folder is made.
    ProgramConverter(Desktop& desktop, QString converter, QString jobRoot);
    ~ProgramConverter();

    // Makes the window's folder for the converter's files unless it is
    // there; false, after telling the user why, when it cannot be made.
    bool makeJobFolder(QWidget* owner);
    // A file of that folder: jobFile("File.cvd"); empty before it is made.
    QString jobFile(const QString& name) const;

    // Removes any earlier result, then runs the converter on the job with
    // the busy pointer shown. Fails, in words to show the user, unless it
    // ended with success and wrote its result; fails with kCancelled when
    // the progress asked it to stop (the program is killed).
    marovin::Status runConverter(marovin::Progress& progress);

    // Converts the points through the converter with a job of `jobHeader`;
    // the job folder is made before. Cancelled, it leaves no job and no
    // result behind.
    marovin::Result<marovin::Degrees, marovin::ExchangeError>
    convert(const marovin::RoadPoints& points, std::string jobHeader, marovin::Progress& progress);

private:
    Desktop& desktop_;
    QString converter_;
    QString jobRoot_;
    std::unique_ptr<QTemporaryDir> folder_;
};
