#pragma once
// The manual's parsed RTF document as a document of the rich-text view.

#include "readers/rtf_reader.h"

#include <QTextDocument>

#include <memory>

// The rich-text view's document for a parsed RTF document. Sizes are taken
// as they are; `\line` becomes a line separator inside the block.
std::unique_ptr<QTextDocument> buildTextDocument(const marovin::rtf::Document& document);
