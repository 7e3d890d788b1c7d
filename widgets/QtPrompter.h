#pragma once

#include "Prompt.h"

// The real prompt seam: modal Qt message boxes, open- and save-file and text input
// dialogs. The window program installs one in main.
class QtPrompter final : public prompt::Prompter
{
public:
    bool message(QObject* parent, prompt::Icon icon, const QString& title, const QString& text,
                 prompt::Buttons buttons) override;
    QString saveFileName(QObject* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString openFileName(QObject* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    bool getText(QObject* parent, const QString& title, const QString& label, QString& text) override;
};
