#pragma once
// The one boundary between the library's text and the window's. The library
// speaks in 8-bit strings: messages written as clauses ("cannot write
// /x/File.cvd: Permission denied"), paths as the file system names them,
// names read from files. Everything of it that the window shows passes
// through fromLibrary(), and every path the window hands to it through
// libraryPath().

#include <QString>

#include <string>
#include <string_view>

// How a library text is shown.
enum class Shown {
    AsWritten,  // as it stands: a path, a name, a clause after words of the window
    AsSentence, // a sentence of its own: first letter capitalised, a full stop at the end
};

// A library text as the window shows it, decoded as the file system encodes
// names. AsSentence: "cannot write x" -> "Cannot write x."; a text that ends
// in ".", "!" or "?" gets no second stop.
QString fromLibrary(std::string_view text, Shown shown = Shown::AsWritten);

// A path typed or chosen in the window, as the library takes it.
std::string libraryPath(const QString& path);
