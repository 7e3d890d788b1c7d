// The real prompt seam: the boxes and dialogs a user gets, inspected while
// they are open and answered as a user would.
#include "QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs inspect on the modal dialog once it is open.
void whenModal(std::function<void(QWidget*)> inspect)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect]() {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            inspect(w);
            // A failed check must not leave the test waiting on an open dialog.
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                dialog->reject();
        }
    });
    timer->start();
}

}  // namespace

class TestQtPrompter : public QObject
{
    Q_OBJECT

    QtPrompter prompter;

private slots:
    // Each icon with OK to a widget parent, then Yes/No answered both ways:
    // Yes is the default, and a parent that is no widget gives the box none.
    void messageBoxesShowTitleTextIconAndButtons()
    {
        QWidget parent;
        const QPair<prompt::Icon, QMessageBox::Icon> icons[] = {{prompt::Icon::Information, QMessageBox::Information},
                                                                {prompt::Icon::Warning, QMessageBox::Warning},
                                                                {prompt::Icon::Critical, QMessageBox::Critical}};
        for (const auto& [icon, shown] : icons) {
            bool seen = false;
            whenModal([&, shown = shown](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                seen = true;
                QCOMPARE((QStringList{box->windowTitle(), box->text()}), QStringList({"错误：", "非法操作"}));
                QCOMPARE(box->icon(), shown);
                QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                QCOMPARE(box->parentWidget(), &parent);
                box->button(QMessageBox::Ok)->click();
            });
            QVERIFY(prompter.message(&parent, icon, QStringLiteral("错误："), QStringLiteral("非法操作"),
                                     prompt::Buttons::Ok));
            QVERIFY(seen);
        }
        QObject notAWidget;
        for (bool yes : {true, false}) {
            whenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                QCOMPARE(box->parentWidget(), nullptr);
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            QCOMPARE(prompter.message(&notAWidget, prompt::Icon::Information, QStringLiteral("提示："),
                                      QStringLiteral("是否删除？"), prompt::Buttons::YesNo),
                     yes);
        }
    }

    void textDialogHasNormalEchoAndOnlyACloseButton()
    {
        QWidget parent;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QInputDialog*>(w);
            QVERIFY(dialog);
            QCOMPARE((QStringList{dialog->windowTitle(), dialog->labelText(), dialog->textValue()}),
                     QStringList({"导出", "导出的文件名为：", "Export"}));
            QCOMPARE(dialog->textEchoMode(), QLineEdit::Normal);
            QCOMPARE(dialog->parentWidget(), &parent);
            const Qt::WindowFlags flags = dialog->windowFlags();
            QVERIFY((flags & Qt::WindowCloseButtonHint) && !(flags & Qt::WindowContextHelpButtonHint)
                    && !(flags & Qt::WindowMinMaxButtonsHint));
            dialog->setTextValue("abc");
            dialog->accept();
        });
        QString text = QStringLiteral("Export");
        QVERIFY(prompter.getText(&parent, QStringLiteral("导出"), QStringLiteral("导出的文件名为："), text));
        QCOMPARE(text, QStringLiteral("abc"));

        whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        text = QStringLiteral("Export");
        QVERIFY(!prompter.getText(nullptr, QStringLiteral("导出"), QStringLiteral("x"), text));
        QCOMPARE(text, QStringLiteral("Export"));
    }

    void saveDialogShowsCaptionAndFilter()
    {
        QWidget parent;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("表格内容保存为"));
            QCOMPARE(dialog->nameFilters(), QStringList({"csv files (*.csv)"}));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->reject();
        });
        QCOMPARE(prompter.saveFileName(&parent, QStringLiteral("表格内容保存为"), QString(),
                                       QStringLiteral("csv files (*.csv)")),
                 QString());
    }
};

QTEST_MAIN(TestQtPrompter)
#include "TestQtPrompter.moc"
