#pragma once
// Where the window finds what comes with the program, and where it keeps the
// user's own files.
//
// The program's files are looked up from the folder of the executable: first
// beside it (the build tree, or a program folder copied as a whole), then
// where the install rules put them (the converter in libexec/marovin, the
// manual and the sample line in share/marovin), so that an installed tree
// works from any prefix.

#include <QString>

class ProgramFolder {
public:
    explicit ProgramFolder(QString executableDir);

    // The folder of the executable.
    const QString& dir() const { return dir_; }
    // The converter program.
    QString converter() const;
    // A file or folder that comes with the program: "Manual/KML_Help.rtf",
    // "samples".
    QString file(const QString& relativePath) const;
    // Whether that file was found beside the executable.
    bool isBesideExecutable(const QString& path) const;

private:
    QString dir_;
};

// The user's own files, kept apart from the program (which may sit in a
// folder the user cannot write).
struct UserFolders {
    // Tervalo.ini, shared with the companion processing product.
    QString iniPath;
    // The folder under which each window makes its own folder for the
    // converter's job and result files.
    QString jobRoot;
    // Where the sample line is copied when the program's own copy cannot be
    // written beside (a KML file is written next to its seismic file).
    QString sampleCopy;
};

// The folders of the XDG base directory rules: Tervalo.ini in
// $XDG_CONFIG_HOME (~/.config), job files in $XDG_CACHE_HOME/marovin
// (~/.cache/marovin), the sample copy in $XDG_DATA_HOME/marovin/samples
// (~/.local/share/marovin/samples). Relative values are ignored, as the
// rules say. Nothing is created here.
UserFolders standardUserFolders();
