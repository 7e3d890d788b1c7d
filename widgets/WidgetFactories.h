#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;

// Each returns a new widget without parent; the layout it is placed into owns it.

// Right-to-left, text aligned right and vertically centred.
QLineEdit* makeLineEdit(const QString& text);
// The texts as items, in order.
QComboBox* makeComboBox(const QStringList& items);
// Shows the image at path; stays empty when it cannot be loaded.
QLabel* makeImageLabel(const QString& path);
