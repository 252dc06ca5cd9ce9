// The window on scripted dialogs, headless: its rules at rest, the About
// box, and OK's batch against real files, each page compared with the one
// the engine writes by itself for the same request.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <deque>

#include "dialogs.h"
#include "main_frm.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace torvex::testing {
namespace {

// File dialogs answered from a script (none left, or an empty answer, is
// Cancel); messages kept as "title: text"; questions kept and answered
// from replies (No when none is left).
class FakeDialogs : public Dialogs {
public:
    bool ShowOpen(QWidget*, CommonDialog& dialog) override { return Answer(dialog); }
    bool ShowSave(QWidget*, CommonDialog& dialog) override { return Answer(dialog); }
    void Message(QWidget*, const QString& text, const QString& title) override {
        messages << title + ": " + text;
        if (onMessage) onMessage();
    }
    bool Question(QWidget*, const QString& text, const QString&) override {
        questions << text;
        return !replies.empty() && std::exchange(replies, {}).front();
    }
    bool Answer(CommonDialog& dialog) {
        const QStringList paths = answers.empty() ? QStringList{} : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (!paths.isEmpty()) SetChosenFiles(dialog, paths);
        return !paths.isEmpty();
    }

    std::deque<QStringList> answers;
    std::deque<bool> replies;
    QStringList messages, questions;
    std::function<void()> onMessage;
};

struct Window {
    template <class Control = QWidget>
    Control* Get(const char* name) { return frm.findChild<Control*>(QString::fromLatin1(name)); }
    QLineEdit* Box(const char* name) { return Get<QLineEdit>(name); }
    void Click(const char* name) { Get<QAbstractButton>(name)->click(); }
    void Browse(const char* button, const QStringList& answer) {
        dialogs.answers.push_back(answer);
        Click(button);
    }
    // Replaces the text of a box as a user types it.
    void Type(const char* box, const QString& text) {
        Box(box)->selectAll();
        QTest::keyClick(Box(box), Qt::Key_Backspace);
        QTest::keyClicks(Box(box), text);
    }
    void Show() {
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
    }

    FakeDialogs dialogs;
    MainFrm frm{dialogs};
    QSignalSpy ended{&frm, &MainFrm::EndProgram};
};

// The window system's close request, as from the close box on the frame.
void PressCloseBox(QWidget* window) {
    QCloseEvent request;
    QCoreApplication::sendEvent(window->windowHandle(), &request);
}

// Runs act once the event loop has turned `turns` times (a conversion turns
// it once per 25 lines), or on the next modal box that shows when turns is
// 0; a box still open 5 s later is rejected so that the test ends.
class Later : public QObject {
public:
    Later(int turns, std::function<void(QWidget*)> act) : left_(turns), act_(std::move(act)) {
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (left_ > 0 ? --left_ == 0 : modal != nullptr && modal->isVisible() && box == nullptr) {
                box = modal;
                left_ = -1;
                act_(modal);
            } else if (++ticks_ > 500 && qobject_cast<QDialog*>(modal) != nullptr) {
                qobject_cast<QDialog*>(modal)->reject();
            }
        });
        timer_.start(turns > 0 ? 0 : 10);
    }
    bool done() const { return left_ < 0; }
    QPointer<QWidget> box;

private:
    QTimer timer_;
    int left_, ticks_ = 0;
    std::function<void(QWidget*)> act_;
};

QString Q(const std::string& text) { return QString::fromStdString(text); }
int Cursor() { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1; }
QStringList Files(const std::string& dir) { return QDir(Q(dir)).entryList(QDir::Files | QDir::Hidden); }

// What the engine writes by itself (with the clock of the window's stamp:
// SOURCE_DATE_EPOCH 946684800).
void EngineConvert(std::string input, std::string output, int mode = 2, std::string title = "", bool stamp = false) {
    RecordingHost host;
    host.now = {2000, 1, 1, 0, 0, 0};
    Engine engine(host);
    engine.Processing = true;
    engine.ConvertFile(input, output, title, mode, stamp);
}

std::string EnginePage(const std::string& input, int mode = 2, const std::string& title = "", bool stamp = false) {
    TempDir dir;
    EngineConvert(input, dir / "page.html", mode, title, stamp);
    return ReadFile(dir / "page.html");
}

std::string Text(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "Line " + std::to_string(i) + " of a long text, with words enough.\n";
    return text;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("SOURCE_DATE_EPOCH", "946684800"); }

    // One chosen file fills the input box and, when its name has a dot after
    // its first character, the output box and the kept output path. Before
    // each row "/o/Keep.html" was chosen; after it, a cancelled output
    // dialog changes nothing.
    void oneChosenFile_data() {
        for (const char* column : {"path", "input", "output", "outputPath"}) QTest::addColumn<QString>(column);
        QTest::newRow("folder with a dot") << "/a/my.docs/ReadMe.TXT" << "readme.txt" << "readme.html" << "/a/my.docs/ReadMe.html";
        QTest::newRow("first dot") << "/d/Read.Me.txt" << "read.me.txt" << "read.html" << "/d/Read.html";
        QTest::newRow("no dot") << "/d/README" << "readme" << "keep.html" << "/o/Keep.html";
        QTest::newRow("leading dot") << "/d/.profile" << ".profile" << "keep.html" << "/o/Keep.html";
        QTest::newRow("cancelled") << "" << "" << "keep.html" << "/o/Keep.html";
    }
    void oneChosenFile() {
        QFETCH(QString, path);
        Window w;
        w.Browse("ButtonOutput", {"/o/Keep.html"});
        w.Browse("ButtonInput", path.isEmpty() ? QStringList{} : QStringList{path});
        w.Browse("ButtonOutput", {});
        QTEST(w.Box("Inputname")->text(), "input");
        QTEST(w.Box("Outputname")->text(), "output");
        QTEST(Q(w.frm.OutputPath), "outputPath");
    }

    // Several files: "(multiple files)" in both boxes, or in the input box
    // only when the split option was checked (unchecking it empties the
    // output box); browsing again starts from nothing.
    void severalFiles_data() {
        QTest::addColumn<bool>("split");
        QTest::addColumn<QString>("output");
        QTest::newRow("split unchecked") << false << "(multiple files)";
        QTest::newRow("split checked") << true << "";
    }
    void severalFiles() {
        QFETCH(bool, split);
        Window w;
        w.Type("Outputname", "page.html");
        if (split) w.Click("CheckFAQ");
        QCOMPARE(w.Box("Outputname")->text(), split ? "(multiple files)" : "page.html");
        w.Browse("ButtonInput", {"/d/A.txt", "/d/Read.Me.txt"});
        QCOMPARE(w.Box("Inputname")->text(), "(multiple files)");
        QTEST(w.Box("Outputname")->text(), "output");
        QVERIFY(!w.Get<QCheckBox>("CheckFAQ")->isChecked());
        w.Browse("ButtonInput", {});
        QCOMPARE(w.Box("Inputname")->text() + w.Box("Outputname")->text() + w.frm.CMDialog1.FileName, "");
    }

    // Enter presses OK wherever the focus is; Esc, Close and the close box
    // end the program; Cancel at rest does nothing. Names of spaces only
    // name nothing.
    void atRest_data() {
        for (const char* column : {"control", "input", "output", "message"}) QTest::addColumn<QString>(column);
        QTest::addColumn<int>("ended");
        QTest::newRow("Enter in a box") << "PageTitle" << "" << "out.html" << "Input file name missing" << 0;
        QTest::newRow("Enter on a check box") << "CheckFAQ" << "   " << "out.html" << "Input file name missing" << 0;
        QTest::newRow("OK, spaces for output") << "ButtonOK" << "in.txt" << "  " << "Output file name missing" << 0;
        QTest::newRow("Esc") << "Inputname" << "" << "" << "" << 1;
        QTest::newRow("Close") << "ButtonClose" << "" << "" << "" << 1;
        QTest::newRow("Cancel") << "ButtonCancel" << "" << "" << "" << 0;
        QTest::newRow("close box") << "" << "" << "" << "" << 1;
    }
    void atRest() {
        QFETCH(QString, control);
        QFETCH(QString, message);
        QFETCH(int, ended);
        Window w;
        w.Show();
        QFETCH(QString, input);
        QFETCH(QString, output);
        w.Type("Inputname", input);
        w.Type("Outputname", output);
        int cursor = 0;
        w.dialogs.onMessage = [&] { cursor = Cursor(); };
        if (control.isEmpty()) PressCloseBox(&w.frm);
        else if (control.startsWith("Button")) w.Click(control.toLatin1());
        else QTest::keyClick(w.Get(control.toLatin1()), ended ? Qt::Key_Escape : Qt::Key_Return);
        QCOMPARE(w.dialogs.messages, message.isEmpty() ? QStringList{} : QStringList{"Torvex: " + message});
        QCOMPARE(cursor, message.isEmpty() ? 0 : -1);
        QCOMPARE(w.ended.count(), ended);
        QCOMPARE(w.frm.isVisible(), ended == 0);
    }

    // Ok hides the About box, which comes back as it was; closed by the
    // program it ends the program; its close box closes it, and the next
    // one is a new box.
    void about() {
        Window w;
        w.Show();
        const auto open = [&](std::function<void(QWidget*)> act) {
            Later answer(0, std::move(act));
            w.Click("ButtonReg");
            return answer.box;
        };
        const QPointer<QWidget> first = open([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
        QVERIFY(first != nullptr && first->objectName() == "AboutFrm" && !first->isVisible());
        QCOMPARE(open([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }), first);
        QCOMPARE(open([](QWidget* box) { PressCloseBox(box); }), first);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first == nullptr);
        QCOMPARE(w.ended.count(), 0);
        QVERIFY(open([](QWidget* box) { box->close(); }) != nullptr);
        QCOMPARE(w.ended.count(), 1);
    }

    // Paths relative to a temporary folder; "@" in a typed name stands for
    // it. Pages: "input>page" for each page written. Clicks: the options
    // chosen. OK runs twice: the kept selection, names, title and options
    // serve again.
    void conversions_data() {
        for (const char* column : {"browse", "browseOut", "typedIn", "typedOut", "pages", "box", "clicks"})
            QTest::addColumn<QString>(column);
        QTest::newRow("spaces around a typed input")
            << "" << "" << "  @/in.txt  " << "@/out.html" << "in.txt>out.html" << "@/out.html" << "Option1";
        QTest::newRow("folder with a dot") << "my.docs/ReadMe.TXT" << "" << "" << "" << "my.docs/ReadMe.TXT>my.docs/ReadMe.html"
                                           << "readme.html" << "TimeStamp";
        QTest::newRow("typed after the dialogs")
            << "A.txt" << "Chosen.html" << "@/B.txt" << "@/typed.html" << "B.txt>typed.html" << "@/typed.html" << "Option3";
        QTest::newRow("three files") << "x.y/Notes.TXT,x.y/Read.Me.txt,x.y/.profile" << "" << "" << ""
                                     << "x.y/Notes.TXT>x.y/notes.html,x.y/Read.Me.txt>x.y/read.html,x.y/.profile>x.y/.profile.html"
                                     << "(multiple files)" << "Option1,TimeStamp";
        QTest::newRow("one typed file, derived name") << "" << "" << "@/My.Docs/Story.Text" << "(multiple files)"
                                                      << "My.Docs/Story.Text>My.Docs/story.html" << "(multiple files)" << "";
        QTest::newRow("several files, typed output") << QString("caf\u00e9.txt,README") << "" << "" << "out.html"
                                                     << QString("caf\u00e9.txt>caf\u00e9.html,README>readme.html")
                                                     << "(multiple files)" << "";
    }
    void conversions() {
        QFETCH(QString, browse);
        QFETCH(QString, browseOut);
        QFETCH(QString, typedIn);
        QFETCH(QString, typedOut);
        QFETCH(QString, pages);
        QFETCH(QString, clicks);
        TempDir dir;
        const QString root = Q(dir.path());
        QStringList expected, chosen;
        for (const QString& name : (browse + u',' + pages).split(u',', Qt::SkipEmptyParts)) {
            const QString input = root + u'/' + name.section(u'>', 0, 0);
            QDir().mkpath(QFileInfo(input).path());
            WriteFile(input.toStdString(), "This is " + name.toStdString() + "\nSecond line\n");
            expected << input.section(u'/', -1) << name.section(u'>', 1).section(u'/', -1);
        }
        Window w;
        for (const QString& name : browse.split(u',', Qt::SkipEmptyParts)) chosen << root + u'/' + name;
        if (!chosen.isEmpty()) w.Browse("ButtonInput", chosen);
        if (!browseOut.isEmpty()) w.Browse("ButtonOutput", {root + u'/' + browseOut});
        if (!typedIn.isEmpty()) w.Type("Inputname", typedIn.replace(u'@', root));
        if (!typedOut.isEmpty()) w.Type("Outputname", typedOut.replace(u'@', root));
        for (const QString& control : clicks.split(u',', Qt::SkipEmptyParts)) w.Click(control.toLatin1());
        const int mode = clicks.contains("Option1") ? 1 : clicks.contains("Option3") ? 3 : 2;
        const char* title = "Caf\u00e9 \u20ac notes";
        w.Box("PageTitle")->setText(QString::fromUtf8(title));
        for (int round = 1; round <= 2; ++round) {
            for (const QString& page : pages.split(u',')) QFile::remove(root + u'/' + page.section(u'>', 1));
            w.Click("ButtonOK");
            QCOMPARE(w.dialogs.messages, QStringList(round, "Torvex: Complete"));
            for (const QString& page : pages.split(u','))
                QCOMPARE(ReadFile(dir / page.section(u'>', 1).toStdString()),
                         EnginePage(dir / page.section(u'>', 0, 0).toStdString(), mode, title, clicks.contains("Stamp")));
            QFETCH(QString, box);
            QCOMPARE(w.Box("Outputname")->text(), box.replace(u'@', root));
            QCOMPARE(Cursor(), -1);
        }
        QStringList written, folders = QDir(root).entryList(QDir::AllDirs | QDir::NoDotAndDotDot) << ".";
        for (const QString& folder : folders)
            written << Files(dir / folder.toStdString());
        expected.removeAll("");
        expected.removeDuplicates();
        written.sort(), expected.sort();
        QCOMPARE(written, expected);  // nothing else
    }

    // The page being written keeps its name whatever the output box does
    // meanwhile: an edit at a yield must not make the contents page link to
    // itself. Files of one batch that would write one page, or whose page is
    // one of them, convert nothing.
    void split() {
        TempDir dir, expected;
        std::string faq;
        for (int i = 1; i <= 60; ++i) faq += "[" + std::to_string(i) + "] Entry\n";
        faq += "\n[1] First\nText.\n[2] Second\nSee [1].\n";
        for (const TempDir* folder : {&dir, &expected}) WriteFile(*folder / "a.txt", faq);
        EngineConvert(expected / "a.txt", "FAQ");
        Window w;
        w.Type("Inputname", Q(dir / "a.txt"));
        w.Click("CheckFAQ");
        Later edit(1, [&](QWidget*) { w.Type("Outputname", "x"); });
        w.Click("ButtonOK");
        QVERIFY(edit.done());
        QCOMPARE(w.dialogs.messages, QStringList{"Torvex: Complete"});
        QCOMPARE(Files(dir.path()), Files(expected.path()));
        for (const QString& page : Files(expected.path()))
            QCOMPARE(ReadFile(dir / page.toStdString()), ReadFile(expected / page.toStdString()));
    }

    void clashes_data() {
        QTest::addColumn<QString>("names");
        QTest::addColumn<bool>("split");
        QTest::addColumn<QString>("message");
        QTest::newRow("one derived name") << "notes.v1.txt,Notes.v2.txt,other.txt" << false
            << "notes.v1.txt and Notes.v2.txt would both be written to notes.html.";
        QTest::newRow("split sets in one folder") << "a.txt,b.txt,c.txt" << true
            << "a.txt, b.txt and c.txt would all be written to contents.html.";
        QTest::newRow("a page that is one of the files") << "a.txt,a.html" << false
            << "a.txt and a.html would both be written to a.html; a.txt would be written to a.html, which is also "
               "being converted; a.html would be written to itself.";
    }
    void clashes() {
        QFETCH(QString, names);
        QFETCH(bool, split);
        QFETCH(QString, message);
        TempDir dir;
        QStringList chosen;
        for (const QString& name : names.split(u',')) {
            WriteFile(dir / name.toStdString(), "text\n");
            chosen << Q(dir.path()) + u'/' + name;
        }
        Window w;
        w.Browse("ButtonInput", chosen);
        if (split) w.Click("CheckFAQ");
        w.Click("ButtonOK");
        QCOMPARE(w.dialogs.messages, QStringList{"Torvex: Nothing was converted: " + message});
        QCOMPARE(Cursor(), -1);
        QCOMPARE(Files(dir.path()).size(), chosen.size());
        QVERIFY(!w.frm.BatchRunning());
    }

    // An output that exists and is not a page is replaced only after a Yes.
    void notAPage_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void notAPage() {
        QFETCH(bool, yes);
        TempDir dir;
        WriteFile(dir / "in.txt", "Hello\n");
        WriteFile(dir / "notes.txt", "my notes\n");
        Window w;
        w.dialogs.replies.push_back(yes);
        w.Type("Inputname", Q(dir / "in.txt"));
        w.Type("Outputname", Q(dir / "notes.txt"));
        w.Click("ButtonOK");
        QCOMPARE(w.dialogs.questions, QStringList{Q(dir / "notes.txt") + " exists and is not an HTML page. Replace it?"});
        QCOMPARE(w.dialogs.messages, yes ? QStringList{"Torvex: Complete"} : QStringList{});
        QCOMPARE(ReadFile(dir / "notes.txt"), yes ? EnginePage(dir / "in.txt") : "my notes\n");
        QCOMPARE(Files(dir.path()).size(), 2);
    }

    // Cancel, Close and the close box stop a batch in the middle of a long
    // file: the page is finished with the marker, the next file is not
    // converted, and Close and the close box end the program once the batch
    // has unwound. Meanwhile the pointer is busy, the file's name and a
    // progress bar show, and OK and Enter start no second batch.
    void stop_data() {
        QTest::addColumn<QString>("stop");
        QTest::newRow("Cancel") << "ButtonCancel";
        QTest::newRow("Close") << "ButtonClose";
        QTest::newRow("close box") << "";
    }
    void stop() {
        QFETCH(QString, stop);
        TempDir dir;
        WriteFile(dir / "long.txt", Text(20000));
        WriteFile(dir / "next.txt", "never converted\n");
        Window w;
        w.Show();
        w.Browse("ButtonInput", {Q(dir / "long.txt"), Q(dir / "next.txt")});
        int busy = 0, value = -1, endedAtMessage = -1;
        QString name;
        w.dialogs.onMessage = [&] { endedAtMessage = w.ended.count(); };
        Later again(5, [&](QWidget*) {
            w.Click("ButtonOK");
            QTest::keyClick(w.Box("PageTitle"), Qt::Key_Return);
        });
        Later act(20, [&](QWidget*) {
            busy = Cursor();
            value = w.Get<QProgressBar>("ProgressBar")->isVisible() ? w.Get<QProgressBar>("ProgressBar")->value() : -1;
            name = w.Get<QLabel>("ProgressFile")->isVisible() ? w.Get<QLabel>("ProgressFile")->text() : "";
            if (stop.isEmpty()) PressCloseBox(&w.frm);
            else w.Click(stop.toLatin1());
        });
        w.Click("ButtonOK");
        QVERIFY(again.done() && act.done());
        QCOMPARE(busy, int(Qt::WaitCursor));
        QCOMPARE(name, "long.txt");
        QVERIFY2(value > 0 && value < 500, QByteArray::number(value));
        QVERIFY(w.Get("ProgressBar")->isHidden());
        QCOMPARE(w.dialogs.messages, QStringList{"Torvex: Processing Interrupted"});
        const std::string page = ReadFile(dir / "long.html"), full = EnginePage(dir / "long.txt");
        const std::string footer = full.substr(full.rfind("<HR><ADDRESS>"));
        const std::string body = page.substr(0, page.rfind("<P>Processing interrupted</P>" + footer));
        QVERIFY(page.ends_with("<P>Processing interrupted</P>" + footer) && full.starts_with(body));
        QVERIFY(body.ends_with("\r\n") && body.find("Line 30 ") != std::string::npos && body.size() < full.size() / 2);
        QVERIFY(!Exists(dir / "next.html"));
        QCOMPARE(Cursor(), -1);
        QCOMPARE(endedAtMessage, 0);
        QCOMPARE(w.ended.count(), int(stop != "ButtonCancel"));
    }

    // An input that cannot be opened ends the batch with the system's
    // reason and without "Complete", the pointer back first; the window is
    // then at rest and converts again.
    void failedInput() {
        TempDir dir;
        const std::string bad = dir / "b\u00e9.txt";
        WriteFile(dir / "a.txt", "A\n");
        WriteFile(bad, "B\n");
        WriteFile(dir / "c.txt", "C\n");
        Window w;
        w.Browse("ButtonInput", {Q(dir / "a.txt"), Q(bad), Q(dir / "c.txt")});
        std::remove(bad.c_str());
        int cursor = 0;
        w.dialogs.onMessage = [&] { cursor = Cursor(); };
        w.Click("ButtonOK");
        QCOMPARE(w.dialogs.messages, QStringList{"Torvex: " + Q("Cannot open input file " + bad + ": No such file or directory")});
        QCOMPARE(cursor, -1);
        QVERIFY(Exists(dir / "a.html") && !Exists(dir / "c.html"));
        WriteFile(bad, "back\n");
        w.dialogs.messages.clear();
        w.Click("ButtonOK");
        QCOMPARE(w.dialogs.messages, QStringList{"Torvex: Complete"});
        QVERIFY(Exists(dir / "c.html"));
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::WindowTest)
#include "window_test.moc"
