#pragma once
// The converter program as the window runs it, a Converter of the road
// (conversion/road.h): the exchange of job and result files in a folder of
// the window's own, made under the user's job folder at the first
// conversion and removed with it, so that two windows never share a job;
// the program run with the busy pointer shown, killed when the run is
// cancelled, its failures told in the user's words. It converts on the
// road's worker thread.

#include "conversion/road.h"
#include "shell/desktop.h"

#include <QString>

#include <memory>

class QTemporaryDir;

class ProgramConverter final : public marovin::Converter {
public:
    // `converter` is the program, `jobRoot` the folder under which the
    // window's own folder is made.
    ProgramConverter(Desktop& desktop, QString converter, QString jobRoot);
    ~ProgramConverter() override;

    // Makes the window's folder for the converter's files unless it is
    // there (the first conversion does); fails, in words to show the user,
    // when it cannot be made.
    marovin::Status makeJobFolder();
    // A file of that folder: jobFile("File.cvd"); empty before it is made.
    QString jobFile(const QString& name) const;
    // Removes any earlier result, then runs the converter on the job with the
    // busy pointer shown. Fails, in words to show the user, unless it ended
    // with success and wrote its result; with kCancelled when the progress
    // asked it to stop (the program is killed). The exchange calls it.
    marovin::Status runConverter(marovin::Progress& progress);

    marovin::Result<marovin::Degrees, marovin::RoadError> convert(std::span<const double> x, std::span<const double> y,
                                                                  const marovin::ConversionJob& job,
                                                                  marovin::Progress& progress) override;
    marovin::Result<marovin::Degrees, marovin::RoadError> convert_taken(std::vector<double> x, std::vector<double> y,
                                                                        const marovin::ConversionJob& job,
                                                                        marovin::Progress& progress) override;

private:
    // The exchange in the window's folder, made unless it is there; nothing,
    // and the words to show, when the folder cannot be made.
    marovin::Result<marovin::ExchangeConverter*, marovin::RoadError> exchange();

    Desktop& desktop_;
    QString converter_;
    QString jobRoot_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<marovin::ExchangeConverter> exchange_;
};
