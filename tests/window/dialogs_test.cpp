// The real toolkit boxes behind the window: the message box, and the file
// dialogs as the window's Browse buttons set them up.
#include <QFileDialog>
#include <QMessageBox>

#include "window_fixture.h"

namespace torvex::testing {

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxHasOnlyOkAndNoIcon() {
        QtDialogs dialogs;
        QString seen;
        ModalAnswer answer([&](QWidget* box) {
            if (auto* message = qobject_cast<QMessageBox*>(box))
                seen = QStringList{message->windowTitle(), message->text(), QString::number(message->icon()),
                                   QString::number(message->buttons().size())}.join(u'|');
            QTest::keyClick(box, Qt::Key_Return);
        });
        dialogs.Message(nullptr, QStringLiteral("Complete"), QStringLiteral("Torvex"));
        QCOMPARE(seen, QStringLiteral("Torvex|Complete|0|1"));
    }

    void fileDialogs_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("acceptMode");
        QTest::newRow("input") << "ButtonInput" << "Input file" << "Text (*.txt)" << "txt"
                               << int(QFileDialog::ExistingFiles) << int(QFileDialog::AcceptOpen);
        QTest::newRow("output") << "ButtonOutput" << "Output file" << "HTML (*.html)" << "html"
                                << int(QFileDialog::AnyFile) << int(QFileDialog::AcceptSave);
    }

    void fileDialogs() {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QFETCH(int, fileMode);
        QFETCH(int, acceptMode);
        QtDialogs dialogs;
        MainFrm frm(dialogs);
        bool seen = false;
        ModalAnswer answer([&](QWidget* box) {
            auto* dialog = qobject_cast<QFileDialog*>(box);
            QVERIFY(dialog != nullptr);
            seen = true;
            QCOMPARE(dialog->windowTitle(), title);
            QCOMPARE(dialog->nameFilters(), QStringList{filter});
            QCOMPARE(dialog->defaultSuffix(), suffix);
            QCOMPARE(int(dialog->fileMode()), fileMode);
            QCOMPARE(int(dialog->acceptMode()), acceptMode);
            QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite) || acceptMode == QFileDialog::AcceptOpen);
            dialog->reject();
        });
        frm.findChild<QPushButton*>(button)->click();
        QVERIFY(seen);
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::DialogsTest)
#include "dialogs_test.moc"
