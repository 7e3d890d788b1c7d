#pragma once

#include "Prompt.h"

#include <QString>
#include <QStringList>

// The prompt seam for a program without windows: messages that the shared
// code raises (schedule generation failures) are recorded instead of going
// to standard error, so that the command can turn them into its own single
// "error: ..." line. Every question is answered with "cancel".
class CliPrompter final : public prompt::Prompter
{
public:
    CliPrompter();
    ~CliPrompter() override;

    bool message(QObject* parent, prompt::Icon icon, const QString& title, const QString& text,
                 prompt::Buttons buttons) override;
    QString saveFileName(QObject* parent, const QString& caption, const QString& dir, const QString& filter) override;
    bool getText(QObject* parent, const QString& title, const QString& label, QString& text) override;

    // "title: text" of every message since the last take, then forgets them.
    QStringList take();

private:
    QStringList messages_;
};
