#pragma once

#include <QString>

class QObject;

// The one seam through which the program asks the user something: message
// boxes, open- and save-file dialogs and text input dialogs. It is declared on QtCore so
// that code without Qt Widgets (the calendar) can raise its messages; the
// window program installs the Qt Widgets implementation (QtPrompter), tests
// install a recorder that answers and remembers what the user would have seen.
namespace prompt {

enum class Icon { Information, Warning, Critical };

// Buttons of a message box: a single OK, or Yes and No with Yes as default.
enum class Buttons { Ok, YesNo };

class Prompter
{
public:
    virtual ~Prompter();

    // parent is the window the box belongs to (a QWidget) or null.
    // Returns true for OK or Yes, false for No or when the box was closed.
    virtual bool message(QObject* parent, Icon icon, const QString& title, const QString& text,
                         Buttons buttons) = 0;

    // Empty text when the user cancelled.
    virtual QString saveFileName(QObject* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;

    // The file to read; empty text when the user cancelled. Programs that
    // never ask for a file to read need not answer: by default it cancels.
    virtual QString openFileName(QObject* parent, const QString& caption, const QString& dir,
                                 const QString& filter);

    // text holds the preset on entry and the answer on return; false when cancelled.
    virtual bool getText(QObject* parent, const QString& title, const QString& label,
                         QString& text) = 0;
};

// Installs p (not owned) as the current prompter; null restores the default,
// which writes messages to standard error and cancels every dialog.
void install(Prompter* p);
Prompter& current();

void information(QObject* parent, const QString& title, const QString& text);
void warning(QObject* parent, const QString& title, const QString& text);
void critical(QObject* parent, const QString& title, const QString& text);
// Information box with Yes and No, Yes the default; true for Yes.
bool askYesNo(QObject* parent, const QString& title, const QString& text);
QString saveFileName(QObject* parent, const QString& caption, const QString& dir,
                     const QString& filter);
QString openFileName(QObject* parent, const QString& caption, const QString& dir,
                     const QString& filter);
bool getText(QObject* parent, const QString& title, const QString& label, QString& text);

}  // namespace prompt
