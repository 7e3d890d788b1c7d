#include "WidgetFactories.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

QLineEdit* makeLineEdit(const QString& text)
{
    auto* edit = new QLineEdit(text);
    edit->setLayoutDirection(Qt::RightToLeft);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
}

QComboBox* makeComboBox(const QStringList& items)
{
    auto* box = new QComboBox;
    box->addItems(items);
    return box;
}

QLabel* makeImageLabel(const QString& path)
{
    auto* label = new QLabel;
    const QString trimmed = path.trimmed();
    const int dot = trimmed.lastIndexOf(QLatin1Char('.'));
    // Without an extension the reader guesses the format from the contents.
    const QByteArray format = dot >= 0 ? trimmed.mid(dot + 1).toLatin1() : QByteArray();
    QPixmap image;
    if (image.load(path, format.isEmpty() ? nullptr : format.constData()))
        label->setPixmap(image);
    return label;
}
