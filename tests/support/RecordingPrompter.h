#pragma once

#include "Prompt.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// Test double for the prompt seam: records every box and dialog the user
// would have seen and answers from scripted queues (defaults: OK/Yes,
// cancelled file dialog, cancelled text dialog). Open- and save-file dialogs
// share one queue of answers and one record, in the order they were asked. Installs itself for its
// lifetime.
class RecordingPrompter final : public prompt::Prompter
{
public:
    struct Box
    {
        prompt::Icon icon;
        QString title;
        QString text;
        prompt::Buttons buttons;
        QObject* parent;
    };
    struct FileDialog
    {
        QString caption;
        QString dir;
        QString filter;
        QObject* parent;
    };
    struct TextDialog
    {
        QString title;
        QString label;
        QString preset;
        QObject* parent;
    };

    RecordingPrompter();
    ~RecordingPrompter() override;

    bool message(QObject* parent, prompt::Icon icon, const QString& title, const QString& text,
                 prompt::Buttons buttons) override;
    QString saveFileName(QObject* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString openFileName(QObject* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    bool getText(QObject* parent, const QString& title, const QString& label, QString& text) override;

    // Scripted answers, taken front first.
    QList<bool> yesNoAnswers;      // for Yes/No boxes; default Yes
    QStringList fileAnswers;       // for file dialogs; default "" (cancel)
    QList<QString> textAnswers;    // for text dialogs; a null QString means cancel (default)

    QList<Box> boxes;
    QList<FileDialog> fileDialogs;
    QList<TextDialog> textDialogs;

    // "title|text" of every box, in order: compact for assertions.
    QStringList summary() const;
    void clear();
};
