#include "RecordingPrompter.h"

RecordingPrompter::RecordingPrompter()
{
    prompt::install(this);
}

RecordingPrompter::~RecordingPrompter()
{
    prompt::install(nullptr);
}

bool RecordingPrompter::message(QObject* parent, prompt::Icon icon, const QString& title,
                                const QString& text, prompt::Buttons buttons)
{
    boxes.append({icon, title, text, buttons, parent});
    if (buttons == prompt::Buttons::YesNo && !yesNoAnswers.isEmpty())
        return yesNoAnswers.takeFirst();
    return true;
}

QString RecordingPrompter::saveFileName(QObject* parent, const QString& caption, const QString& dir,
                                        const QString& filter)
{
    fileDialogs.append({caption, dir, filter, parent});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString RecordingPrompter::openFileName(QObject* parent, const QString& caption, const QString& dir,
                                        const QString& filter)
{
    return saveFileName(parent, caption, dir, filter);
}

bool RecordingPrompter::getText(QObject* parent, const QString& title, const QString& label,
                                QString& text)
{
    textDialogs.append({title, label, text, parent});
    const QString answer = textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    if (answer.isNull())
        return false;
    text = answer;
    return true;
}

QStringList RecordingPrompter::summary() const
{
    QStringList out;
    for (const Box& b : boxes)
        out << b.title + "|" + b.text;
    return out;
}

void RecordingPrompter::clear()
{
    boxes.clear();
    fileDialogs.clear();
    textDialogs.clear();
}
