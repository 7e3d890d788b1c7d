#pragma once

#include "StructureTerms.h"

#include <QString>

#include <vector>

// Strict reading of typed numbers, for actions that must not compute with a
// value nobody typed: blanks around the text are allowed, anything else that
// is not a finite base-10 number (letters, an empty text, 1e400) is refused.

bool strictNumber(const QString& text, double& value);
bool strictInt(const QString& text, int& value);
// A "_" list whose every part is a number ("103_102"); an empty part is refused.
bool strictValueList(const QString& text, std::vector<double>& values);

// The message for a field whose text was refused, naming the field by its
// caption: "“波动率(%)”不是有效的数字：abc", or "... 为空" for an empty text.
QString fieldRefusal(const QString& caption, const QString& text);

// Reads one field strictly; false with fieldRefusal(...) in error.
bool readNumberField(const QString& caption, const QString& text, double& value, QString& error);
bool readIntField(const QString& caption, const QString& text, int& value, QString& error);

// Every numeric text of a structure, read strictly in the window's order;
// false with the message of the first refused field.
bool checkStructureTexts(const StructureTexts& texts, QString& error);
