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
    // Each icon with OK, then Yes/No answered both ways: Yes is the default,
    // and a parent that is no widget gives the box none.
    void messageBoxesShowTitleTextIconAndButtons()
    {
        QWidget widget;
        QObject notAWidget;
        const struct {
            prompt::Icon icon;
            QMessageBox::Icon shown;
            prompt::Buttons buttons;
            QMessageBox::StandardButton click;
            QObject* parent;
        } cases[] = {{prompt::Icon::Information, QMessageBox::Information, prompt::Buttons::Ok, QMessageBox::Ok, &widget},
                     {prompt::Icon::Warning, QMessageBox::Warning, prompt::Buttons::Ok, QMessageBox::Ok, &widget},
                     {prompt::Icon::Critical, QMessageBox::Critical, prompt::Buttons::Ok, QMessageBox::Ok, &widget},
                     {prompt::Icon::Information, QMessageBox::Information, prompt::Buttons::YesNo, QMessageBox::Yes,
                      &notAWidget},
                     {prompt::Icon::Information, QMessageBox::Information, prompt::Buttons::YesNo, QMessageBox::No,
                      &notAWidget}};
        for (const auto& c : cases) {
            bool seen = false;
            whenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                QVERIFY(box);
                seen = true;
                QCOMPARE(box->windowTitle(), QStringLiteral("提示："));
                QCOMPARE(box->text(), QStringLiteral("是否删除？"));
                QCOMPARE(box->icon(), c.shown);
                if (c.buttons == prompt::Buttons::Ok) {
                    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
                    QCOMPARE(box->parentWidget(), &widget);
                } else {
                    QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                    QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                    QCOMPARE(box->parentWidget(), nullptr);
                }
                box->button(c.click)->click();
            });
            QCOMPARE(prompter.message(c.parent, c.icon, QStringLiteral("提示："), QStringLiteral("是否删除？"), c.buttons),
                     c.click != QMessageBox::No);
            QVERIFY(seen);
        }
    }

    void textDialogHasNormalEchoAndOnlyACloseButton()
    {
        QWidget parent;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QInputDialog*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("导出"));
            QCOMPARE(dialog->labelText(), QStringLiteral("导出的文件名为："));
            QCOMPARE(dialog->textValue(), QStringLiteral("Export"));
            QCOMPARE(dialog->textEchoMode(), QLineEdit::Normal);
            QCOMPARE(dialog->parentWidget(), &parent);
            const Qt::WindowFlags flags = dialog->windowFlags();
            QVERIFY(flags & Qt::WindowCloseButtonHint);
            QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
            QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
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
