// The real prompt seam: the boxes and dialogs a user gets, inspected while
// they are open and answered as a user would.
#include "QtPrompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs inspect on the modal dialog once it is open; a failed check must not
// leave the test waiting on an open dialog.
template <class Dialog>
void whenModal(std::function<void(Dialog*)> inspect)
{
    QTimer::singleShot(10, [inspect]() {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        inspect(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

}  // namespace

class TestQtPrompter : public QObject
{
    Q_OBJECT

    QtPrompter prompter;

private slots:
    // Each icon with OK, then Yes/No answered both ways: Yes is the default,
    // and a parent that is no widget gives the box none.
    void messageBoxes_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("yesNo");
        QTest::addColumn<bool>("answer");
        QTest::newRow("information") << int(prompt::Icon::Information) << int(QMessageBox::Information) << false << true;
        QTest::newRow("warning") << int(prompt::Icon::Warning) << int(QMessageBox::Warning) << false << true;
        QTest::newRow("critical") << int(prompt::Icon::Critical) << int(QMessageBox::Critical) << false << true;
        QTest::newRow("yes") << int(prompt::Icon::Information) << int(QMessageBox::Information) << true << true;
        QTest::newRow("no") << int(prompt::Icon::Information) << int(QMessageBox::Information) << true << false;
    }

    void messageBoxes()
    {
        QFETCH(int, icon);
        QFETCH(int, shown);
        QFETCH(bool, yesNo);
        QFETCH(bool, answer);
        QWidget widget;
        QObject notAWidget;
        bool seen = false;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            seen = true;
            QCOMPARE((QStringList{box->windowTitle(), box->text()}), QStringList({"错误：", "非法操作"}));
            QCOMPARE(int(box->icon()), shown);
            QCOMPARE(box->standardButtons(), yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
            if (yesNo)
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
            QCOMPARE(box->parentWidget(), yesNo ? nullptr : &widget);
            box->button(!yesNo ? QMessageBox::Ok : answer ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        QCOMPARE(prompter.message(yesNo ? &notAWidget : static_cast<QObject*>(&widget), prompt::Icon(icon),
                                  QStringLiteral("错误："), QStringLiteral("非法操作"),
                                  yesNo ? prompt::Buttons::YesNo : prompt::Buttons::Ok),
                 answer);
        QVERIFY(seen);
    }

    // Normal echo and only a close button; cancelling leaves the text alone.
    void textDialog()
    {
        QWidget parent;
        whenModal<QInputDialog>([&](QInputDialog* dialog) {
            QCOMPARE((QStringList{dialog->windowTitle(), dialog->labelText(), dialog->textValue()}),
                     QStringList({"导出", "导出的文件名为：", "Export"}));
            QCOMPARE(dialog->textEchoMode(), QLineEdit::Normal);
            QCOMPARE(dialog->parentWidget(), &parent);
            QCOMPARE(dialog->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint
                                              | Qt::WindowMinMaxButtonsHint),
                     Qt::WindowFlags(Qt::WindowCloseButtonHint));
            dialog->setTextValue("abc");
            dialog->accept();
        });
        QString text = QStringLiteral("Export");
        QVERIFY(prompter.getText(&parent, QStringLiteral("导出"), QStringLiteral("导出的文件名为："), text));
        QCOMPARE(text, QStringLiteral("abc"));

        whenModal<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
        text = QStringLiteral("Export");
        QVERIFY(!prompter.getText(nullptr, QStringLiteral("导出"), QStringLiteral("x"), text));
        QCOMPARE(text, QStringLiteral("Export"));
    }

    void saveDialog()
    {
        QWidget parent;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle() + dialog->nameFilters().join(';'), QStringLiteral("表格内容保存为csv files (*.csv)"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        });
        QCOMPARE(prompter.saveFileName(&parent, QStringLiteral("表格内容保存为"), QString(),
                                       QStringLiteral("csv files (*.csv)")),
                 QString());
    }
};

QTEST_MAIN(TestQtPrompter)
#include "TestQtPrompter.moc"
