#pragma once
// The title of the window's message boxes.

#include <QString>

inline const QString kTitle = QStringLiteral("Marovin");
