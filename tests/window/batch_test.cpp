// The OK command against real files in a temporary folder: each page must
// be the one the engine writes by itself for the same request.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>

#include "temp_dir.h"
#include "window_fixture.h"

namespace torvex::testing {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A numbered document: a long contents list, then two of its sections.
std::string Faq(int first) {
    std::string text;
    for (int i = first; i < first + 60; ++i) text += "[" + std::to_string(i) + "] Entry\n";
    const std::string a = std::to_string(first), b = std::to_string(first + 1);
    return text + "\n[" + a + "] First\nText.\n[" + b + "] Second\nSee [" + a + "].\n";
}

int CursorShape() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor == nullptr ? -1 : cursor->shape();
}

QStringList Files(const std::string& dir) { return QDir(Q(dir)).entryList(QDir::Files | QDir::Hidden); }

// A page cut short: a prefix of the full page's lines past its first
// yields, then the marker and the footer.
void CheckInterrupted(const std::string& page, const std::string& full) {
    const std::string marker = "<P>Processing interrupted</P>";
    const std::string footer = full.substr(full.rfind("<HR><ADDRESS>"));
    QVERIFY(page.ends_with(marker + footer));
    const std::string body = page.substr(0, page.size() - marker.size() - footer.size());
    QVERIFY(body.ends_with("\r\n") && full.starts_with(body));
    QVERIFY2(body.find("Line 30 ") != std::string::npos, "stopped before its first yield");
    QVERIFY2(body.size() < full.size() / 2, "not stopped in the middle");
    QVERIFY(page.find("Complete") == std::string::npos);
}

}  // namespace

class BatchTest : public QObject {
    Q_OBJECT

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
        Type(w.Box("Inputname"), input);
        Type(w.Box("Outputname"), output);
        int cursor = 0;
        w.dialogs.onMessage = [&] { cursor = CursorShape(); };
        w.OK();
        QDir::setCurrent(QDir::tempPath());
        QCOMPARE(w.dialogs.messages, QStringList{message});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        QCOMPARE(cursor, -1);
        QCOMPARE(Files(dir.path()), QStringList{"in.txt"});
    }

    // Paths are relative to a temporary folder; "@" in a typed name stands
    // for that folder. Pages: "input>page" for each page written. Every row
    // runs OK twice: the kept selection and names serve again.
    void conversions_data() {
        QTest::addColumn<QStringList>("browse");
        QTest::addColumn<QString>("browseOut");
        QTest::addColumn<QString>("typedIn");
        QTest::addColumn<QString>("typedOut");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("box");
        QTest::newRow("spaces around a typed input")
            << QStringList{} << "" << "  @/in.txt  " << "@/out.html" << QStringList{"in.txt>out.html"} << "@/out.html";
        QTest::newRow("ReadMe.TXT in a folder with a dot")
            << QStringList{"my.docs/ReadMe.TXT"} << "" << "" << "" << QStringList{"my.docs/ReadMe.TXT>my.docs/ReadMe.html"}
            << "readme.html";
        QTest::newRow("typing after the dialogs") << QStringList{"A.txt"} << "Chosen.html" << "@/B.txt" << "@/typed.html"
                                                  << QStringList{"B.txt>typed.html"} << "@/typed.html";
        QTest::newRow("three files, Read.Me.txt and .profile")
            << QStringList{"x.y/Notes.TXT", "x.y/Read.Me.txt", "x.y/.profile"} << "" << "" << ""
            << QStringList{"x.y/Notes.TXT>x.y/notes.html", "x.y/Read.Me.txt>x.y/read.html", "x.y/.profile>x.y/.profile.html"}
            << "(multiple files)";
        QTest::newRow("one typed file, derived name keeps the folder's case")
            << QStringList{} << "" << "@/My.Docs/Story.Text" << "(multiple files)"
            << QStringList{"My.Docs/Story.Text>My.Docs/story.html"} << "(multiple files)";
        QTest::newRow("several files, typed output name") << QStringList{"caf\u00e9.txt", "README"} << "" << "" << "out.html"
                                                           << QStringList{"caf\u00e9.txt>caf\u00e9.html", "README>readme.html"}
                                                           << "(multiple files)";
    }

    void conversions() {
        QFETCH(QStringList, browse);
        QFETCH(QString, browseOut);
        QFETCH(QString, typedIn);
        QFETCH(QString, typedOut);
        QFETCH(QStringList, pages);
        QFETCH(QString, box);
        TempDir dir;
        const QString root = Q(dir.path());
        QStringList expected;
        for (const QString& name : browse + pages) {
            const QString input = root + u'/' + name.section(u'>', 0, 0);
            QDir().mkpath(QFileInfo(input).path());
            WriteFile(input.toStdString(), "This is " + name.toStdString() + "\nSecond line\n");
            expected << input.section(u'/', -1);
            if (name.contains(u'>')) expected << name.section(u'>', 1).section(u'/', -1);
        }
        Window w;
        QStringList chosen;
        for (const QString& name : browse) chosen << root + u'/' + name;
        if (!chosen.isEmpty()) w.Browse("ButtonInput", chosen);
        if (!browseOut.isEmpty()) w.Browse("ButtonOutput", {root + u'/' + browseOut});
        if (!typedIn.isEmpty()) Type(w.Box("Inputname"), QString(typedIn).replace(u'@', root));
        if (!typedOut.isEmpty()) Type(w.Box("Outputname"), QString(typedOut).replace(u'@', root));
        for (int round = 1; round <= 2; ++round) {
            for (const QString& page : pages) QFile::remove(root + u'/' + page.section(u'>', 1));
            w.OK();
            QCOMPARE(w.dialogs.messages.size(), round);
            QCOMPARE(w.dialogs.messages.last(), QStringLiteral("Complete"));
            QCOMPARE(w.dialogs.titles.last(), QStringLiteral("Torvex"));
            for (const QString& page : pages)
                QCOMPARE(ReadFile(dir / page.section(u'>', 1).toStdString()),
                         EnginePage(dir / page.section(u'>', 0, 0).toStdString()));
            QCOMPARE(w.Box("Outputname")->text(), QString(box).replace(u'@', root));
            QCOMPARE(CursorShape(), -1);
        }
        // Nothing else was written.
        QStringList written, folders = QDir(root).entryList(QDir::AllDirs | QDir::NoDotAndDotDot) << ".";
        for (const QString& folder : folders)
            written << Files(dir / folder.toStdString());
        expected.removeDuplicates();
        written.sort();
        expected.sort();
        QCOMPARE(written, expected);
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
        if (stamp) w.Get<QCheckBox>("TimeStamp")->click();
        w.Box("PageTitle")->setText(QString::fromUtf8("Caf\u00e9 \u20ac notes"));
        Type(w.Box("Inputname"), Q(dir / "in.txt"));
        Type(w.Box("Outputname"), Q(dir / "out.html"));
        w.OK();
        const std::string page = ReadFile(dir / "out.html");
        QCOMPARE(page, EnginePage(dir / "in.txt", mode, "Caf\u00e9 \u20ac notes", stamp));
        qunsetenv("SOURCE_DATE_EPOCH");
        QVERIFY(page.find("<TITLE>Caf\xe9 &#8364; notes</TITLE>") != std::string::npos);
        QCOMPARE(page.find(" on 01-Jan-2000 at 00:00:00<BR>") != std::string::npos, stamp);
    }

    // Split pages are those the engine writes for each file in turn. The
    // page being written keeps its name whatever the output box does
    // meanwhile: an edit at a yield must not make the contents page link
    // to itself.
    void split_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("typedOut");
        QTest::addColumn<bool>("editAtYield");
        QTest::newRow("split checked") << 1 << "whatever.html" << false;
        QTest::newRow("output box edited during the batch") << 1 << "" << true;
    }

    void split() {
        QFETCH(int, files);
        QFETCH(QString, typedOut);
        QFETCH(bool, editAtYield);
        TempDir dir, expected;
        QStringList chosen;
        for (int i = 0; i < files; ++i) {
            const std::string name = std::string(1, char('a' + i)) + ".txt";
            WriteFile(dir / name, Faq(1 + 60 * i));
            WriteFile(expected / name, Faq(1 + 60 * i));
            EngineConvert(expected / name, "FAQ");
            chosen << Q(dir / name);
        }
        Window w;
        if (files > 1)
            w.Browse("ButtonInput", chosen);
        else
            Type(w.Box("Inputname"), chosen[0]);
        w.Get<QCheckBox>("CheckFAQ")->click();
        if (!typedOut.isEmpty()) Type(w.Box("Outputname"), typedOut);
        AtTurn edit(1, [&] {
            if (editAtYield) Type(w.Box("Outputname"), QStringLiteral("x"));
        });
        w.OK();
        QVERIFY(edit.done());
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QCOMPARE(Files(dir.path()), Files(expected.path()));
        for (const QString& page : Files(expected.path())) QCOMPARE(ReadFile(dir / page.toStdString()), ReadFile(expected / page.toStdString()));
        QVERIFY(ReadFile(dir / "contents.html").find("Contents Page") == std::string::npos);
    }

    // Files of one batch that would write the same page, or whose page is
    // one of them: nothing is converted, and the message names them.
    void clashingFilesConvertNothing_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("split");
        QTest::addColumn<QString>("message");
        QTest::newRow("one derived name") << QStringList{"notes.v1.txt", "Notes.v2.txt", "other.txt"} << false
                                          << "Nothing was converted: notes.v1.txt and Notes.v2.txt would both be "
                                             "written to notes.html.";
        QTest::newRow("split sets in one folder")
            << QStringList{"a.txt", "b.txt", "c.txt"} << true
            << "Nothing was converted: a.txt, b.txt and c.txt would all be written to contents.html.";
        QTest::newRow("a page that is one of the files")
            << QStringList{"a.txt", "a.html"} << false
            << "Nothing was converted: a.txt and a.html would both be written to a.html; a.txt would be written to "
               "a.html, which is also being converted; a.html would be written to itself.";
    }

    void clashingFilesConvertNothing() {
        QFETCH(QStringList, names);
        QFETCH(bool, split);
        QFETCH(QString, message);
        TempDir dir;
        QStringList chosen;
        for (const QString& name : names) {
            WriteFile(dir / name.toStdString(), Faq(1));
            chosen << Q(dir.path()) + u'/' + name;
        }
        Window w;
        w.Browse("ButtonInput", chosen);
        if (split) w.Get<QCheckBox>("CheckFAQ")->click();
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{message});
        QCOMPARE(CursorShape(), -1);
        QStringList files = Files(dir.path()), expected = names;
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
        QVERIFY(!w.frm.BatchRunning());
    }

    // An output that exists and is not a page is replaced only after a Yes.
    void notAPageIsReplacedOnlyAfterYes_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }

    void notAPageIsReplacedOnlyAfterYes() {
        QFETCH(bool, yes);
        TempDir dir;
        WriteFile(dir / "in.txt", "Hello\n");
        WriteFile(dir / "notes.txt", "my notes\n");
        Window w;
        w.dialogs.replies.push_back(yes);
        Type(w.Box("Inputname"), Q(dir / "in.txt"));
        Type(w.Box("Outputname"), Q(dir / "notes.txt"));
        w.OK();
        QCOMPARE(w.dialogs.questions, QStringList{Q(dir / "notes.txt") + " exists and is not an HTML page. Replace it?"});
        QCOMPARE(w.dialogs.messages, yes ? QStringList{"Complete"} : QStringList{});
        QCOMPARE(ReadFile(dir / "notes.txt"), yes ? EnginePage(dir / "in.txt") : std::string("my notes\n"));
        QCOMPARE(Files(dir.path()), (QStringList{"in.txt", "notes.txt"}));
    }

    // Cancel, Close and the close box stop a batch in the middle of a long
    // file: the page is finished with the marker, the next file is not
    // converted, and Close and the close box end the program once the batch
    // has unwound. Meanwhile the pointer is busy and the file's name and a
    // progress bar show, and OK and Enter start no second batch.
    void stopDuringABatch_data() {
        QTest::addColumn<QString>("stop");
        QTest::newRow("Cancel") << "ButtonCancel";
        QTest::newRow("Close") << "ButtonClose";
        QTest::newRow("close box") << "";
    }

    void stopDuringABatch() {
        QFETCH(QString, stop);
        TempDir dir;
        WriteFile(dir / "long.txt", LongText(20000));
        WriteFile(dir / "next.txt", "never converted\n");
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        auto* bar = w.Get<QProgressBar>("ProgressBar");
        auto* file = w.Get<QLabel>("ProgressFile");
        QVERIFY(bar->isHidden() && file->isHidden());
        w.Browse("ButtonInput", {Q(dir / "long.txt"), Q(dir / "next.txt")});
        int busy = 0, value = -1, endedAtMessage = -1;
        QString name;
        w.dialogs.onMessage = [&] { endedAtMessage = w.ended.count(); };
        AtTurn again(5, [&] {
            w.OK();
            QTest::keyClick(w.Box("PageTitle"), Qt::Key_Return);
        });
        AtTurn act(20, [&] {
            busy = CursorShape();
            value = bar->isHidden() ? -1 : bar->value();
            name = file->isHidden() ? QString() : file->text();
            if (stop.isEmpty())
                PressCloseBox(&w.frm);
            else
                w.Button(stop.toLatin1())->click();
        });
        w.OK();
        QVERIFY(again.done() && act.done());
        QCOMPARE(busy, int(Qt::WaitCursor));
        QCOMPARE(name, QStringLiteral("long.txt"));
        QVERIFY2(value > 0 && value < 500, QByteArray::number(value));
        QVERIFY(bar->isHidden() && file->isHidden());
        QCOMPARE(w.dialogs.messages, QStringList{"Processing Interrupted"});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        CheckInterrupted(ReadFile(dir / "long.html"), EnginePage(dir / "long.txt"));
        QVERIFY(!Exists(dir / "next.html"));
        QCOMPARE(CursorShape(), -1);
        QCOMPARE(endedAtMessage, 0);
        const bool ends = stop != "ButtonCancel";
        QCOMPARE(w.ended.count(), int(ends));
        QCOMPARE(w.frm.isVisible(), !ends);
    }

    // An input that cannot be opened (with the system's reason) or that the
    // engine refuses ends the batch without "Complete"; the window is then
    // at rest and converts again.
    void failedInputEndsTheBatch_data() {
        QTest::addColumn<bool>("missing");
        QTest::newRow("missing input") << true;
        QTest::newRow("empty input") << false;
    }

    void failedInputEndsTheBatch() {
        QFETCH(bool, missing);
        TempDir dir;
        const std::string bad = dir / "b\u00e9.txt";
        WriteFile(dir / "a.txt", "A\n");
        WriteFile(bad, "");
        WriteFile(dir / "c.txt", "C\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(bad), Q(dir / "c.txt")});
        if (missing) std::remove(bad.c_str());
        int cursor = 0;
        w.dialogs.onMessage = [&] { cursor = CursorShape(); };
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{missing ? Q("Cannot open input file " + bad + ": No such file or directory")
                                                         : QStringLiteral("Input file appears to be empty")});
        QCOMPARE(w.dialogs.titles, QStringList{"Torvex"});
        if (missing) QCOMPARE(cursor, -1);  // the arrow is back before the window's message
        QCOMPARE(CursorShape(), -1);
        QVERIFY(Exists(dir / "a.html"));
        QVERIFY(!Exists(dir / "c.html"));
        QCOMPARE(w.Box("Outputname")->text(), QStringLiteral("(multiple files)"));
        WriteFile(bad, "back\n");
        w.dialogs.messages.clear();
        w.OK();
        QCOMPARE(w.dialogs.messages, QStringList{"Complete"});
        QVERIFY(Exists(dir / "c.html"));
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::BatchTest)
#include "batch_test.moc"
