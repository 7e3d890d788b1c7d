#include "CliPrompter.h"

CliPrompter::CliPrompter() { prompt::install(this); }

CliPrompter::~CliPrompter()
{
    if (&prompt::current() == this)
        prompt::install(nullptr);
}

bool CliPrompter::message(QObject*, prompt::Icon, const QString& title, const QString& text, prompt::Buttons)
{
    messages_ << title + QStringLiteral(": ") + text;
    return false;
}

QString CliPrompter::saveFileName(QObject*, const QString&, const QString&, const QString&) { return QString(); }

bool CliPrompter::getText(QObject*, const QString&, const QString&, QString&) { return false; }

QStringList CliPrompter::take()
{
    QStringList taken;
    taken.swap(messages_);
    return taken;
}
