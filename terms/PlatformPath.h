#pragma once

#include <QString>

// Default export paths of the calculator are Windows drive-letter paths
// ("e://autocall.csv", "e:\data", "f:/AutoCall01.csv"). On Windows they are
// kept as they are; elsewhere each maps to the same last name in the user's
// Documents folder, or in the home folder when there is no Documents folder.
QString platformPath(const QString& windowsPath);

// The same mapping with the folder given, for tests and other front ends.
QString platformPathIn(const QString& windowsPath, const QString& folder);
