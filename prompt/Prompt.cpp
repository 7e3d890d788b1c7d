#include "Prompt.h"

#include <cstdio>

namespace prompt {

Prompter::~Prompter() = default;

QString Prompter::openFileName(QObject*, const QString&, const QString&, const QString&)
{
    return QString();
}

namespace {

// Without a window system there is nobody to answer: report on standard
// error and cancel, so headless callers never block.
class ConsolePrompter final : public Prompter
{
public:
    bool message(QObject*, Icon, const QString& title, const QString& text, Buttons) override
    {
        std::fprintf(stderr, "%s %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return false;
    }
    QString saveFileName(QObject*, const QString&, const QString&, const QString&) override
    {
        return QString();
    }
    bool getText(QObject*, const QString&, const QString&, QString&) override { return false; }
};

ConsolePrompter console_prompter;
Prompter* installed = nullptr;

}  // namespace

void install(Prompter* p)
{
    installed = p;
}

Prompter& current()
{
    return installed ? *installed : console_prompter;
}

void information(QObject* parent, const QString& title, const QString& text)
{
    current().message(parent, Icon::Information, title, text, Buttons::Ok);
}

void warning(QObject* parent, const QString& title, const QString& text)
{
    current().message(parent, Icon::Warning, title, text, Buttons::Ok);
}

void critical(QObject* parent, const QString& title, const QString& text)
{
    current().message(parent, Icon::Critical, title, text, Buttons::Ok);
}

bool askYesNo(QObject* parent, const QString& title, const QString& text)
{
    return current().message(parent, Icon::Information, title, text, Buttons::YesNo);
}

QString saveFileName(QObject* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return current().saveFileName(parent, caption, dir, filter);
}

QString openFileName(QObject* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return current().openFileName(parent, caption, dir, filter);
}

bool getText(QObject* parent, const QString& title, const QString& label, QString& text)
{
    return current().getText(parent, title, label, text);
}

}  // namespace prompt
