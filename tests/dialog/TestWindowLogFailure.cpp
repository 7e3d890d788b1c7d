// A log folder that cannot be written is told in the window, once a process:
// the console it otherwise goes to is often not seen.
#include "AppLogger.h"
#include "DialogUnderTest.h"
#include "RecordingPrompter.h"

#include <QTemporaryDir>
#include <QtTest>

class TestWindowLogFailure : public QObject
{
    Q_OBJECT

private slots:
    void unwritableLogFolderSaidOnce()
    {
        RecordingPrompter prompter;
        QTemporaryDir home;
        QVERIFY(home.isValid());

        // A writable folder: nothing to say.
        AppLogger::instance().init(QString(home.path() + "/log/Kelvara").toLocal8Bit().constData());
        QVERIFY(!AppLogger::instance().file_failed());
        {
            DialogUnderTest d;
            QTest::qWait(20);
            QVERIFY(prompter.boxes.isEmpty());
        }

        // Nothing can be created under /proc.
        AppLogger::instance().init("/proc/kelvara_log/Kelvara");
        QVERIFY(AppLogger::instance().file_failed());
        const QString why = QString::fromLocal8Bit(AppLogger::instance().file_error().c_str());
        QVERIFY(why.contains("/proc/kelvara_log"));
        {
            DialogUnderTest d;
            QVERIFY(prompter.boxes.isEmpty());  // said when the window is up, not while it is built
            QTest::qWait(20);
            QCOMPARE(prompter.summary(),
                     QStringList({"请注意：|无法写入日志文件，本次运行的日志只输出到控制台：\n" + why}));
            QCOMPARE(prompter.boxes[0].icon, prompt::Icon::Warning);
            QCOMPARE(prompter.boxes[0].parent, static_cast<QObject*>(&d));
        }
        prompter.clear();
        {
            DialogUnderTest again;
            QTest::qWait(20);
            QVERIFY(prompter.boxes.isEmpty());
        }
    }
};

QTEST_MAIN(TestWindowLogFailure)
#include "TestWindowLogFailure.moc"
