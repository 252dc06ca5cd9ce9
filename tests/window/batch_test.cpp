// The OK command: checks, derived names, batches, stopping and failures,
// against real files in a temporary folder.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QWindow>

#include "batch_support.h"
#include "temp_dir.h"
#include "window_fixture.h"

namespace torvex::testing {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// What an interrupted page ends with: the marker, then the footer (no stamp).
const std::string InterruptedEnd =
    "<P>Processing interrupted</P>"
    "<HR><ADDRESS>\r\n"
    "<A HREF=\"http://www.vantry.example/software/torvex.html\">Torvex</A> V2.5"
    " by <A HREF=\"mailto:brenlow@vantry.example\">Brenlow</A> created this page\r\n"
    "</ADDRESS>\r\n"
    "</BODY>\r\n"
    "\r\n"
    "</HTML>\r\n";

// A numbered document: a contents list, then its sections.
std::string NumberedText(int first) {
    const std::string a = std::to_string(first), b = std::to_string(first + 1);
    return "Contents\n[" + a + "] First part\n[" + b + "] Second part\n\n[" + a +
           "] First part\nText of the first part.\n[" + b + "] Second part\nText of the second, see [" + a + "].\n";
}

int CursorShape() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor == nullptr ? -1 : cursor->shape();
}

}  // namespace

class BatchTest : public QObject {
    Q_OBJECT

    // Checks that page is full cut short: a prefix of full's lines, then
    // the marker and the footer.
    static void CheckInterrupted(const std::string& page, const std::string& full) {
        QVERIFY(full.ends_with(InterruptedEnd.substr(std::string("<P>Processing interrupted</P>").size())));
        QVERIFY2(page.ends_with(InterruptedEnd), page.substr(page.size() > 300 ? page.size() - 300 : 0).c_str());
        const std::string body = page.substr(0, page.size() - InterruptedEnd.size());
        QVERIFY(body.ends_with("\r\n"));
        QVERIFY(full.starts_with(body));
        QVERIFY2(body.find("Line 30 ") != std::string::npos, "stopped before its first yield");
        QVERIFY2(body.size() < full.size() / 2, "not stopped in the middle");
        QVERIFY(page.find("Complete") == std::string::npos);
    }

private slots:
    void initTestCase() { qunsetenv("SOURCE_DATE_EPOCH"); }

    void nothingToConvert_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("message");
        QTest::newRow("no input") << "" << "out.html" << "Input file name missing";
        QTest::newRow("spaces for input") << "   " << "out.html" << "Input file name missing";
        QTest::newRow("no output") << "in.txt" << "" << "Output file name missing";
        QTest::newRow("spaces for output") << "in.txt" << "  " << "Output file name missing";
    }

    void nothingToConvert() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, message);
        TempDir dir;
        WriteFile(dir / "in.txt", "text\n");
        QDir::setCurrent(Q(dir.path()));
        Window w;
        Type(w.Inputname(), input);
        Type(w.Outputname(), output);
        int cursor = 0;
        w.dialogs.onMessage = [&](const QString&) { cursor = CursorShape(); };
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{message});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        QCOMPARE(cursor, -1);
        QVERIFY(!w.frm.engine().Processing);
        QVERIFY(!Exists(dir / "out.html"));
        QDir::setCurrent(QDir::tempPath());
    }

    void typedNamesWithSpacesAroundTheInput() {
        TempDir dir;
        WriteFile(dir / "in.txt", "Hello\nworld\n");
        Window w;
        Type(w.Inputname(), Q("  " + (dir / "in.txt") + "  "));
        Type(w.Outputname(), Q(dir / "out.html"));
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        QCOMPARE(ReadFile(dir / "out.html"), EnginePage(dir / "in.txt"));
        QVERIFY(!w.frm.engine().Processing);
        QCOMPARE(CursorShape(), -1);
    }

    void readMeInAFolderWithADot() {
        TempDir dir;
        QDir().mkdir(Q(dir / "my.docs"));
        const std::string input = dir / "my.docs/ReadMe.TXT";
        WriteFile(input, "Read me\n=======\n\nFirst paragraph.\n");
        Window w;
        w.Browse("ButtonInput", {Q(input)});
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(ReadFile(dir / "my.docs/ReadMe.html"), EnginePage(input));
        QVERIFY(!Exists(dir / "my.docs/readme.html"));
        QCOMPARE(w.Outputname()->text(), QStringLiteral("readme.html"));
    }

    void typingAfterTheDialogs() {
        TempDir dir;
        WriteFile(dir / "A.txt", "from the dialog\n");
        WriteFile(dir / "B.txt", "typed\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "A.txt")});
        w.Browse("ButtonOutput", {Q(dir / "Chosen.html")});
        Type(w.Inputname(), Q(dir / "B.txt"));
        Type(w.Outputname(), Q(dir / "typed.html"));
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(ReadFile(dir / "typed.html"), EnginePage(dir / "B.txt"));
        QVERIFY(!Exists(dir / "Chosen.html"));
        QVERIFY(!Exists(dir / "A.html"));
    }

    void threeFilesInOneBatch() {
        TempDir dir;
        QDir().mkdir(Q(dir / "x.y"));
        const std::string folder = dir / "x.y";
        const char* names[] = {"Notes.TXT", "Read.Me.txt", ".profile"};
        const char* pages[] = {"notes.html", "read.html", ".profile.html"};
        for (const char* name : names) WriteFile(folder + "/" + name, std::string("This is ") + name + "\n");
        Window w;
        w.Browse("ButtonInput", {Q(folder + "/Notes.TXT"), Q(folder + "/Read.Me.txt"), Q(folder + "/.profile")});
        QSignalSpy shown(w.Outputname(), &QLineEdit::textChanged);
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ReadFile(folder + "/" + pages[i]), EnginePage(folder + "/" + names[i]));
        QStringList outputs;
        for (const auto& args : shown) outputs << args.at(0).toString();
        QCOMPARE(outputs, QStringList({"notes.html", "read.html", ".profile.html", "(multiple files)"}));
        QVERIFY(w.frm.OutputPath.empty());
        // The selection is kept: OK again converts the same files again.
        for (const char* page : pages) std::remove((folder + "/" + page).c_str());
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList({"Complete", "Complete"}));
        for (const char* page : pages) QVERIFY(Exists(folder + "/" + page));
    }

    // A single path with "(multiple files)" as output is converted beside
    // itself under its derived name; the folder's letter case stays.
    void oneFileWithDerivedName() {
        TempDir dir;
        QDir().mkdir(Q(dir / "Docs"));
        WriteFile(dir / "Docs/Story.Text", "Once\n");
        Window w;
        Type(w.Inputname(), Q(dir / "Docs/Story.Text"));
        Type(w.Outputname(), QStringLiteral("(multiple files)"));
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(ReadFile(dir / "Docs/story.html"), EnginePage(dir / "Docs/Story.Text"));
        QCOMPARE(w.Outputname()->text(), QStringLiteral("(multiple files)"));
    }

    // Several files with an output name of their own still get one page each.
    void severalFilesWithATypedOutputName() {
        TempDir dir;
        WriteFile(dir / "a.txt", "A\n");
        WriteFile(dir / "b.txt", "B\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(dir / "b.txt")});
        Type(w.Outputname(), QStringLiteral("out.html"));
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(ReadFile(dir / "a.html"), EnginePage(dir / "a.txt"));
        QCOMPARE(ReadFile(dir / "b.html"), EnginePage(dir / "b.txt"));
        QVERIFY(!Exists(dir / "out.html"));
    }

    void optionsTitleAndStamp_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("stamp");
        QTest::newRow("keep") << "Option1" << 1 << false;
        QTest::newRow("add") << "Option2" << 2 << true;
        QTest::newRow("none") << "Option3" << 3 << false;
    }

    void optionsTitleAndStamp() {
        QFETCH(QString, option);
        QFETCH(int, mode);
        QFETCH(bool, stamp);
        qputenv("SOURCE_DATE_EPOCH", "946684800");
        TempDir dir;
        WriteFile(dir / "in.txt", "Short line\nA line that is longer than the one before it\n\nNext para\nend\n");
        Window w;
        w.Get<QRadioButton>(option.toLatin1())->click();
        if (stamp) w.TimeStamp()->click();
        w.PageTitle()->setText(QString::fromUtf8("Caf\u00e9 \u20ac notes"));
        Type(w.Inputname(), Q(dir / "in.txt"));
        Type(w.Outputname(), Q(dir / "out.html"));
        w.OK();
        qunsetenv("SOURCE_DATE_EPOCH");
        const std::string page = ReadFile(dir / "out.html");
        qputenv("SOURCE_DATE_EPOCH", "946684800");
        QCOMPARE(page, EnginePage(dir / "in.txt", mode, "Caf\u00e9 \u20ac notes", stamp));
        qunsetenv("SOURCE_DATE_EPOCH");
        QVERIFY(page.find("<TITLE>Caf\xe9 &#8364; notes</TITLE>") != std::string::npos);
        QCOMPARE(page.find(" on 01-Jan-2000 at 00:00:00<BR>") != std::string::npos, stamp);
    }

    void splitOutput() {
        TempDir dir, expected;
        WriteFile(dir / "faq.txt", NumberedText(1));
        WriteFile(expected / "faq.txt", NumberedText(1));
        EngineSplit(expected / "faq.txt");  // the engine alone: pages in `expected`
        Window w;
        Type(w.Inputname(), Q(dir / "faq.txt"));
        w.CheckFAQ()->click();
        Type(w.Outputname(), QStringLiteral("whatever.html"));
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(w.Outputname()->text(), QStringLiteral("whatever.html"));
        QVERIFY(!Exists(dir / "whatever.html"));
        QVERIFY(!Exists(dir / "FAQ"));
        for (const char* page : {"contents.html", "1.html", "2.html"}) {
            QVERIFY2(Exists(dir / page), page);
            QCOMPARE(ReadFile(dir / page), ReadFile(expected / page));
        }
    }

    // The page being written keeps its name whatever happens to the output
    // box meanwhile: an edit at a yield must not make the contents page link
    // to itself.
    void outputEditedDuringASplit() {
        std::string text;
        for (int i = 1; i <= 60; ++i) text += "[" + std::to_string(i) + "] Entry\n";
        text += "\n[1] First\nText.\n[2] Second\nMore text.\n";
        TempDir dir, expected;
        WriteFile(dir / "faq.txt", text);
        WriteFile(expected / "faq.txt", text);
        EngineSplit(expected / "faq.txt");
        Window w;
        Type(w.Inputname(), Q(dir / "faq.txt"));
        w.CheckFAQ()->click();
        AtTurn edit(1, [&] { Type(w.Outputname(), QStringLiteral("x")); });
        w.OK();
        QVERIFY(edit.done());
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        for (const char* page : {"contents.html", "1.html", "2.html"}) QCOMPARE(ReadFile(dir / page), ReadFile(expected / page));
        QVERIFY(ReadFile(dir / "contents.html").find("Contents Page") == std::string::npos);
    }

    void severalFilesSplit() {
        TempDir dir, expected;
        WriteFile(dir / "a.txt", NumberedText(1));
        WriteFile(dir / "b.txt", NumberedText(3));
        WriteFile(expected / "a.txt", NumberedText(1));
        WriteFile(expected / "b.txt", NumberedText(3));
        EngineSplit(expected / "a.txt");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(dir / "b.txt")});
        w.CheckFAQ()->click();
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QVERIFY(!Exists(dir / "a.html"));
        QVERIFY(!Exists(dir / "FAQ"));
        for (const char* page : {"1.html", "2.html"}) QCOMPARE(ReadFile(dir / page), ReadFile(expected / page));
        // b.txt was split last: its contents page is the one left.
        EngineSplit(expected / "b.txt");
        for (const char* page : {"contents.html", "3.html", "4.html"})
            QCOMPARE(ReadFile(dir / page), ReadFile(expected / page));
    }

    void cancelInTheMiddleOfALongFile() {
        TempDir dir;
        WriteFile(dir / "long.txt", LongText(20000));
        WriteFile(dir / "next.txt", "never converted\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "long.txt"), Q(dir / "next.txt")});
        int busy = 0;
        AtTurn cancel(20, [&] {
            busy = CursorShape();
            w.Button("ButtonCancel")->click();
        });
        w.OK();
        QVERIFY(cancel.done());
        QCOMPARE(busy, int(Qt::WaitCursor));
        QCOMPARE(w.dialogs.messages, QStringList{"Processing Interrupted"});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        CheckInterrupted(ReadFile(dir / "long.html"), EnginePage(dir / "long.txt"));
        QVERIFY(!Exists(dir / "next.html"));
        QVERIFY(!w.frm.engine().Processing);
        QVERIFY(!w.frm.BatchRunning());
        QCOMPARE(CursorShape(), -1);
        QCOMPARE(w.Outputname()->text(), QStringLiteral("(multiple files)"));
        QCOMPARE(w.ended.count(), 0);
    }

    // During a batch the file's name and a progress bar show below the
    // options; at rest neither does.
    void progressDuringABatch() {
        TempDir dir;
        WriteFile(dir / "long.txt", LongText(20000));
        Window w;
        auto* bar = w.frm.findChild<QProgressBar*>("ProgressBar");
        auto* file = w.frm.findChild<QLabel*>("ProgressFile");
        QVERIFY(bar && file);
        QVERIFY(bar->isHidden() && file->isHidden());
        Type(w.Inputname(), Q(dir / "long.txt"));
        Type(w.Outputname(), Q(dir / "long.html"));
        bool shown = false;
        int value = -1;
        QString name;
        AtTurn look(200, [&] {
            shown = !bar->isHidden() && !file->isHidden();
            value = bar->value();
            name = file->text();
        });
        w.OK();
        QVERIFY(look.done());
        QVERIFY(shown);
        QCOMPARE(name, QStringLiteral("long.txt"));
        QVERIFY2(value > 0 && value < 1000, QByteArray::number(value));
        QVERIFY(bar->isHidden() && file->isHidden());
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
    }

    // Close, and the window's close box, stop the batch and end the program
    // once the page is finished.
    void closeDuringABatch_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Close") << false;
        QTest::newRow("close box") << true;
    }

    void closeDuringABatch() {
        QFETCH(bool, closeBox);
        TempDir dir;
        WriteFile(dir / "long.txt", LongText(20000));
        WriteFile(dir / "next.txt", "never converted\n");
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        w.Browse("ButtonInput", {Q(dir / "long.txt"), Q(dir / "next.txt")});
        int endedAtMessage = -1;
        w.dialogs.onMessage = [&](const QString&) { endedAtMessage = w.ended.count(); };
        AtTurn close(20, [&] {
            if (closeBox)
                PressCloseBox(&w.frm);
            else
                w.Button("ButtonClose")->click();
        });
        w.OK();
        QVERIFY(close.done());
        QCOMPARE(w.dialogs.messages, QStringList{"Processing Interrupted"});
        QCOMPARE(endedAtMessage, 0);
        QCOMPARE(w.ended.count(), 1);
        QVERIFY(!w.frm.isVisible());
        CheckInterrupted(ReadFile(dir / "long.html"), EnginePage(dir / "long.txt"));
        QVERIFY(!Exists(dir / "next.html"));
        QCOMPARE(CursorShape(), -1);
    }

    // OK and Enter inside a running batch start no second batch.
    void okDuringABatchDoesNothing() {
        TempDir dir;
        WriteFile(dir / "long.txt", LongText(3000));
        Window w;
        w.frm.show();
        Type(w.Inputname(), Q(dir / "long.txt"));
        Type(w.Outputname(), Q(dir / "long.html"));
        bool runningInside = false;
        AtTurn again(5, [&] {
            runningInside = w.frm.BatchRunning();
            w.OK();
            QTest::keyClick(w.PageTitle(), Qt::Key_Return);
        });
        w.OK();
        QVERIFY(again.done());
        QVERIFY(runningInside);
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(ReadFile(dir / "long.html"), EnginePage(dir / "long.txt"));
    }

    // An input that cannot be opened ends the batch with the system's reason.
    void missingInput() {
        TempDir dir;
        WriteFile(dir / "a.txt", "A\n");
        WriteFile(dir / "gone.txt", "G\n");
        WriteFile(dir / "c.txt", "C\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(dir / "gone.txt"), Q(dir / "c.txt")});
        std::remove((dir / "gone.txt").c_str());
        int cursor = 0;
        bool processing = true;
        w.dialogs.onMessage = [&](const QString&) {
            cursor = CursorShape();
            processing = w.frm.engine().Processing;
        };
        w.OK();
        QCOMPARE(w.dialogs.messages,
                 QStringList{Q("Cannot open input file " + (dir / "gone.txt") + ": No such file or directory")});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        QCOMPARE(cursor, -1);
        QVERIFY(processing);  // the message comes before the batch has ended
        QVERIFY(!w.frm.engine().Processing);
        QVERIFY(!w.frm.BatchRunning());
        QVERIFY(Exists(dir / "a.html"));
        QVERIFY(!Exists(dir / "gone.html"));
        QVERIFY(!Exists(dir / "c.html"));
        QCOMPARE(w.Outputname()->text(), QStringLiteral("(multiple files)"));
        // The window is at rest: another batch runs.
        WriteFile(dir / "gone.txt", "back\n");
        w.dialogs.messages.clear();
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QVERIFY(Exists(dir / "c.html"));
    }

    // A file the engine refuses (empty) ends the batch without "Complete".
    void emptyInputEndsTheBatch() {
        TempDir dir;
        WriteFile(dir / "a.txt", "");
        WriteFile(dir / "b.txt", "B\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(dir / "b.txt")});
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Input file appears to be empty"});
        QVERIFY(!Exists(dir / "b.html"));
        QVERIFY(!w.frm.engine().Processing);
        QCOMPARE(CursorShape(), -1);
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::BatchTest)
#include "batch_test.moc"
