// The real message box and file dialog settings, the dialogs' results, the
// window's host, and the name rules.
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "dialogs.h"
#include "fake_dialogs.h"
#include "file_names.h"
#include "modal.h"
#include "window_host.h"

namespace torvex::testing {

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxHasOnlyOkAndNoIcon() {
        QtDialogs dialogs;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QList<QAbstractButton*> buttons;
        ModalAnswer answer([&](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            if (message == nullptr) return;
            title = message->windowTitle();
            text = message->text();
            icon = message->icon();
            buttons = message->buttons();
            QTest::keyClick(message, Qt::Key_Return);
        });
        dialogs.Message(nullptr, QStringLiteral("Complete"), QStringLiteral("Torvex"));
        QVERIFY(answer.answered());
        QCOMPARE(title, QStringLiteral("Torvex"));
        QCOMPARE(text, QStringLiteral("Complete"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons.size(), 1);
    }

    // The file dialogs' settings reach the toolkit's dialog; Cancel leaves
    // the last result.
    void fileDialogSettings_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("fileMode");
        QTest::newRow("open") << false << "Input file" << "Text (*.txt)" << "txt" << int(QFileDialog::ExistingFiles);
        QTest::newRow("save") << true << "Output file" << "HTML (*.html)" << "html" << int(QFileDialog::AnyFile);
    }

    void fileDialogSettings() {
        QFETCH(bool, save);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QFETCH(int, fileMode);
        CommonDialog settings;
        settings.DialogTitle = title;
        settings.Filter = filter;
        settings.DefaultExt = suffix;
        settings.MultiSelect = !save;
        settings.FileMustExist = !save;
        settings.OverwritePrompt = save;
        SetChosenFiles(settings, {QStringLiteral("/earlier/Choice.txt")});
        QFileDialog* seen = nullptr;
        QString seenTitle, seenSuffix;
        QStringList seenFilters;
        int seenMode = -1, seenAccept = -1;
        bool confirms = false;
        ModalAnswer answer([&](QWidget* box) {
            seen = qobject_cast<QFileDialog*>(box);
            if (seen == nullptr) return;
            seenTitle = seen->windowTitle();
            seenFilters = seen->nameFilters();
            seenSuffix = seen->defaultSuffix();
            seenMode = seen->fileMode();
            seenAccept = seen->acceptMode();
            confirms = !seen->testOption(QFileDialog::DontConfirmOverwrite);
            seen->reject();
        });
        QtDialogs dialogs;
        const bool chosen = save ? dialogs.ShowSave(nullptr, settings) : dialogs.ShowOpen(nullptr, settings);
        QVERIFY(answer.answered());
        QVERIFY(seen != nullptr);
        QVERIFY(!chosen);
        QCOMPARE(seenTitle, title);
        QCOMPARE(seenFilters, QStringList{filter});
        QCOMPARE(seenSuffix, suffix);
        QCOMPARE(seenMode, fileMode);
        QCOMPARE(seenAccept, int(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen));
        if (save) QVERIFY(confirms);
        QCOMPARE(settings.FileName, QStringLiteral("/earlier/Choice.txt"));
        QCOMPARE(settings.FileTitle, QStringLiteral("Choice.txt"));
    }

    void chosenFiles() {
        CommonDialog dialog;
        SetChosenFiles(dialog, {QStringLiteral("/a b/c.d/File.TXT")});
        QCOMPARE(dialog.FileName, QStringLiteral("/a b/c.d/File.TXT"));
        QCOMPARE(dialog.FileTitle, QStringLiteral("File.TXT"));
        QVERIFY(dialog.FileNames.isEmpty());
        SetChosenFiles(dialog, {QStringLiteral("/d/x.txt"), QStringLiteral("/d/.profile"), QStringLiteral("/d/y")});
        QCOMPARE(dialog.FileName, QStringLiteral("/d"));
        QCOMPARE(dialog.FileNames, QStringList({"x.txt", ".profile", "y"}));
        SetChosenFiles(dialog, {QStringLiteral("/a.txt"), QStringLiteral("/b.txt")});
        QCOMPARE(dialog.FileName, QStringLiteral("/"));
        SetChosenFiles(dialog, {});
        QVERIFY(dialog.FileName.isEmpty());
        QVERIFY(dialog.FileNames.isEmpty());
    }

    void derivedOutputNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("derived");
        QTest::newRow("plain") << "Notes.TXT" << "notes.html";
        QTest::newRow("two dots") << "Read.Me.txt" << "read.html";
        QTest::newRow("leading dot") << ".profile" << ".profile.html";
        QTest::newRow("no dot") << "README" << "readme.html";
        QTest::newRow("folder kept") << "/Home/Ann/my.docs/Story.Text" << "/Home/Ann/my.docs/story.html";
        QTest::newRow("leading dot in folder") << "/x/.cfg/.profile" << "/x/.cfg/.profile.html";
    }

    void derivedOutputNames() {
        QFETCH(QString, name);
        QFETCH(QString, derived);
        QCOMPARE(DerivedOutputName(name), derived);
    }

    void pathWithHtmlSuffix_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("page");
        QTest::newRow("dotted folder") << "/home/ann/my.docs/ReadMe.TXT" << "/home/ann/my.docs/ReadMe.html";
        QTest::newRow("first dot of the name") << "/d/Read.Me.txt" << "/d/Read.html";
        QTest::newRow("no dot") << "/d.e/README" << "/d.e/README";
    }

    void pathWithHtmlSuffix() {
        QFETCH(QString, path);
        QFETCH(QString, page);
        QCOMPARE(PathWithHtmlSuffix(path), page);
    }

    void namesAndPaths() {
        QCOMPARE(TrimSpaces(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
        QCOMPARE(TrimSpaces(QStringLiteral("   ")), QString());
        QCOMPARE(JoinPath(QStringLiteral("/d"), QStringLiteral("f")), QStringLiteral("/d/f"));
        QCOMPARE(JoinPath(QStringLiteral("/"), QStringLiteral("f")), QStringLiteral("/f"));
        const QString accented = QString::fromUtf8("/tmp/caf\u00e9.txt");
        QCOMPARE(PathText(PathBytes(accented)), accented);
    }

    void hostShowsMessagesAndYields() {
        FakeDialogs dialogs;
        WindowHost host(dialogs, nullptr);
        host.ShowMessage("Cannot open input file /tmp/caf\xc3\xa9.txt: No such file or directory");
        QCOMPARE(dialogs.messages,
                 QStringList{QString::fromUtf8("Cannot open input file /tmp/caf\u00e9.txt: No such file or directory")});
        QCOMPARE(dialogs.titles, QStringList{"Torvex"});
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        host.Yield();
        QVERIFY(ran);
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::DialogsTest)
#include "dialogs_test.moc"
