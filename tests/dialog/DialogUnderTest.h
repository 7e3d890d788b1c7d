#pragma once

// The calculator window as the tests drive it: widgets by object name
// (the names of the window's members), the schedule as the editor publishes it.
#include "ChildWidget.h"
#include "DialogCalculatorPDE.h"
#include "RecordingPrompter.h"
#include "WidgetObserveGlobal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

class DialogUnderTest : public DialogCalculatorPDE
{
public:
    using DialogCalculatorPDE::DialogCalculatorPDE;

    QLineEdit* edit(const char* name) const { return child<QLineEdit>(this, name); }
    QString text(const char* name) const { return edit(name)->text(); }
    void set(const char* name, const QString& text) { edit(name)->setText(text); }
    QPushButton* button(const char* name) const { return child<QPushButton>(this, name); }
    void click(const char* name) { button(name)->click(); }
    QComboBox* combo(const char* name) const { return child<QComboBox>(this, name); }
    QCheckBox* box(const char* name) const { return child<QCheckBox>(this, name); }

    SavedSchedule published() const { return controller().schedule(); }
    // Hands the window a schedule as the editor's 保存 would.
    void publish(const SavedSchedule& s) { emit observeEditor()->scheduleSaved(s); }
};

// What the window tests share: the boxes of the running test (set up in each
// test's init()), a scratch home folder, and windows on a coarse price grid so
// that grid runs stay quick.
struct DialogFixture
{
    std::unique_ptr<RecordingPrompter> prompter;
    QTemporaryDir home;

    static std::unique_ptr<DialogUnderTest> makeDialog()
    {
        auto d = std::make_unique<DialogUnderTest>();
        d->set("lineEdit_M", "60");
        return d;
    }
};
