// The window on scripted dialogs, headless: scenarios of its rules and of
// OK's batches against real files (each page compared with the one the
// library writes by itself), the About box, stopping a batch, the settings
// kept between runs, the layout, the input dialog, and a signal that ends
// the window in a process of its own.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>

#include "conversion.h"
#include "dialogs.h"
#include "main_frm.h"
#include "signals.h"
#include "table.h"
#include "temp_dir.h"
#include "torvex.h"

namespace torvex::testing {
namespace {

// File dialogs answered from a script (none left, or an empty answer, is
// Cancel), the folder each opened in kept; messages kept as "title: text";
// questions kept and answered from replies (No when none is left); the
// completion's details kept, and answered from choices (OK when none is
// left, or when the page chosen is not offered); what the desktop was to
// open kept.
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
    CompleteChoice Completed(QWidget* parent, const QString& text, const QString& title, const QString& details,
                             bool offerPage) override {
        Message(parent, text, title);
        this->details << details;
        const CompleteChoice choice = choices.empty() ? CompleteChoice::Ok : choices.front();
        if (!choices.empty()) choices.pop_front();
        return choice == CompleteChoice::OpenPage && !offerPage ? CompleteChoice::Ok : choice;
    }
    void OpenUrl(const QUrl& url) override { opened << url.toLocalFile(); }
    bool Answer(CommonDialog& dialog) {
        folders << dialog.InitDir;
        const QStringList paths = answers.empty() ? QStringList{} : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (!paths.isEmpty()) SetChosenFiles(dialog, paths);
        return !paths.isEmpty();
    }

    std::deque<QStringList> answers;
    std::deque<bool> replies;
    std::deque<CompleteChoice> choices;
    QStringList messages, questions, details, opened, folders;
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
        for (const QChar c : text) {  // as keys that carry their text, so that any character will do
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(Box(box), &key);
        }
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

// The steps of the window's scenarios: VERB | ARGUMENT | ARGUMENT.
const std::vector<Row>& Steps() {
    static const auto steps = ReadTable(TORVEX_SOURCE_DIR "/tests/data/window/scenarios.txt", 3);
    return steps;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
int Cursor() { return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1; }
QStringList Files(const std::string& dir) { return QDir(Q(dir)).entryList(QDir::Files | QDir::Hidden); }

// What the library writes by itself (at the time of the window's stamp:
// SOURCE_DATE_EPOCH 946684800).
void EngineConvert(const std::string& input, const std::string& output, int mode = 2, const std::string& title = "",
                   bool stamp = false, bool modern = false) {
    torvex_options* options = torvex_options_new();
    const torvex_time time{2000, 1, 1, 0, 0, 0};
    torvex_options_set_time(options, &time);
    torvex_options_set_line_breaks(options, mode);
    torvex_options_set_title(options, title.c_str());
    torvex_options_set_time_stamp(options, stamp);
    torvex_options_set_style(options, modern ? TORVEX_STYLE_MODERN : TORVEX_STYLE_CLASSIC);
    torvex_options_set_language(options, LocaleLanguage().c_str());
    torvex_convert_file(input.c_str(), output.c_str(), options, nullptr);
    torvex_options_free(options);
}

std::string EnginePage(const std::string& input, int mode = 2, const std::string& title = "", bool stamp = false,
                       bool modern = false) {
    TempDir dir;
    EngineConvert(input, dir / "page.html", mode, title, stamp, modern);
    return ReadFile(dir / "page.html");
}

std::string Text(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "Line " + std::to_string(i) + " of a long text, with words enough.\n";
    return text;
}

constexpr const char* UntilSignal = "--window-until-signal";

// The window as the program runs it, in a process of its own: with the
// program's signal handlers, OK converts INPUT into OUTPUT, and once the
// conversion is well under way the process says so on standard output.
int WindowUntilSignal(char** argv) {
    InstallSignalHandlers();
    int argc = 1;
    QApplication app(argc, argv);
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[2])).path();  // the settings, never the user's
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder);
    FakeDialogs dialogs;
    MainFrm frm(dialogs);
    frm.findChild<QLineEdit*>(QStringLiteral("Inputname"))->setText(QString::fromLocal8Bit(argv[2]));
    frm.findChild<QLineEdit*>(QStringLiteral("Outputname"))->setText(QString::fromLocal8Bit(argv[3]));
    Later converting(10, [](QWidget*) {
        std::fputs("converting\n", stdout);
        std::fflush(stdout);
    });
    QTimer::singleShot(0, &frm, [&] { frm.findChild<QPushButton*>(QStringLiteral("ButtonOK"))->click(); });
    return QApplication::exec();
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    TempDir settings_;  // the window's settings, never the user's

private slots:
    void initTestCase() {
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, Q(settings_.path()));
    }
    // Every window starts as on a first run.
    void init() {
        qputenv("SOURCE_DATE_EPOCH", "946684800");
        QSettings(SettingsOrganization, SettingsApplication).clear();
    }

    // The scenarios of tests/data/window/scenarios.txt, each on a fresh
    // window and in a fresh folder.
    void scenarios_data() {
        QTest::addColumn<int>("first");
        const auto& steps = Steps();
        for (size_t i = 0; i < steps.size(); ++i)
            if (steps[i][0] == "scenario") QTest::newRow(steps[i][1].c_str()) << int(i + 1);
    }
    void scenarios() {
        QFETCH(int, first);
        TempDir dir;
        Window w;
        int cursor = -1;
        w.dialogs.onMessage = [&] { cursor = std::max(cursor, Cursor()); };
        const auto path = [&](const std::string& text) { return Q(text).replace(u'@', Q(dir.path())); };
        const auto paths = [&](const std::string& text) {
            QStringList list;
            for (const QString& name : Q(text).split(u',', Qt::SkipEmptyParts)) list << path(name.toStdString());
            return list;
        };
        const auto& steps = Steps();
        for (size_t i = first; i < steps.size() && steps[i][0] != "scenario"; ++i) {
            const std::string &verb = steps[i][0], &a = steps[i][1], &b = steps[i][2];
            const QByteArray control = QByteArray::fromStdString(a);
            const QString line = QString::number(i) + ": " + Q(verb + " " + a + " " + b);
            if (verb == "file") {
                std::filesystem::create_directories(std::filesystem::path(dir / a).parent_path());
                WriteFile(dir / a, b);
            } else if (verb == "remove") {
                std::filesystem::remove(dir / a);
            } else if (verb == "browse") {
                w.Browse(control, paths(b));
            } else if (verb == "open") {
                w.frm.OpenFiles(paths(b));
            } else if (verb == "drop") {
                QMimeData data;
                QList<QUrl> urls;
                for (const QString& name : paths(b)) urls << QUrl::fromLocalFile(name);
                data.setUrls(urls);
                QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&w.frm, &enter);
                QVERIFY2(enter.isAccepted() == (a == "accepted"), qPrintable(line));
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&w.frm, &drop);
            } else if (verb == "type") {
                w.Type(control, path(b));
            } else if (verb == "click") {
                w.Click(control);
            } else if (verb == "key") {
                w.Show();
                QTest::keyClick(w.Get(control), b == "Esc" ? Qt::Key_Escape : Qt::Key_Return);
            } else if (verb == "closebox") {
                w.Show();
                PressCloseBox(&w.frm);
            } else if (verb == "reply") {
                w.dialogs.replies.push_back(a == "yes");
            } else if (verb == "choose") {
                w.dialogs.choices.push_back(a == "page" ? CompleteChoice::OpenPage : CompleteChoice::ShowFolder);
            } else if (verb == "tooltip") {
                QHelpEvent help(QEvent::ToolTip, {2, 2}, w.Box(control)->mapToGlobal(QPoint(2, 2)));
                QCoreApplication::sendEvent(w.Box(control), &help);
                QVERIFY2(w.Box(control)->toolTip() == path(b), qPrintable(line + "\n" + w.Box(control)->toolTip()));
            } else if (verb == "opened" || verb == "details" || verb == "folders") {
                const QStringList& seen = verb == "opened" ? w.dialogs.opened : verb == "details" ? w.dialogs.details : w.dialogs.folders;
                QVERIFY2(seen.join(u'|') == path(a), qPrintable(line + "\n" + seen.join(u'|')));
            } else if (verb == "box") {
                QVERIFY2((a == "OutputPath" ? Q(w.frm.OutputPath) : w.Box(control)->text()) == path(b), qPrintable(line));
            } else if (verb == "messages" || verb == "questions") {
                const QStringList& seen = verb == "messages" ? w.dialogs.messages : w.dialogs.questions;
                QVERIFY2(seen.join(u'\n') == path(a), qPrintable(line + "\n" + seen.join(u'\n')));
            } else if (verb == "page") {  // as the engine writes it with the window's options
                const int mode = w.Get<QRadioButton>("Option1")->isChecked() ? 1 : w.Get<QRadioButton>("Option3")->isChecked() ? 3 : 2;
                QVERIFY2(ReadFile(dir / a) == EnginePage(dir / b, mode, w.Box("PageTitle")->text().toStdString(),
                                                         w.Get<QCheckBox>("TimeStamp")->isChecked(),
                                                         w.Get<QRadioButton>("Option5")->isChecked()),
                         qPrintable(line));
            } else if (verb == "files") {
                QStringList files;
                for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
                    if (entry.is_regular_file()) files << Q(entry.path().string().substr(dir.path().size() + 1));
                files.sort();
                QVERIFY2(files.join(u' ') == Q(a), qPrintable(line + "\n" + files.join(u' ')));
            } else if (verb == "text") {
                QVERIFY2(ReadFile(dir / a) == b, qPrintable(line));
            } else if (verb == "ended") {
                QVERIFY2(w.ended.count() == std::stoi(a) && (a == "0" || !w.frm.isVisible()), qPrintable(line));
            } else if (verb == "checked") {
                QVERIFY2(w.Get<QAbstractButton>(control)->isChecked() == (b == "yes"), qPrintable(line));
            } else {
                QFAIL(qPrintable("unknown step " + line));
            }
            QVERIFY2(Cursor() == -1 && cursor == -1, qPrintable("busy pointer after " + line));
        }
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

    // The page being written keeps its name whatever the output box does
    // meanwhile: an edit at a yield must not make the contents page link to
    // itself.
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

    // Cancel, Close and the close box stop a batch in the middle of a long
    // file: the page (or set) is finished with the marker and kept only
    // where no file of its name was, the next file is not converted, and
    // Close and the close box end the program once the batch has unwound.
    // Meanwhile the pointer is busy, the file's name and a progress bar
    // show, and OK and Enter start no second batch.
    void stop_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<bool>("split");
        QTest::addColumn<bool>("old");  // an old page where the set or page so far would go
        QTest::newRow("Cancel") << "ButtonCancel" << false << false;
        QTest::newRow("Close") << "ButtonClose" << false << false;
        QTest::newRow("close box") << "" << false << false;
        QTest::newRow("Cancel over an old page") << "ButtonCancel" << false << true;
        QTest::newRow("Close, a new set") << "ButtonClose" << true << false;
        QTest::newRow("Cancel over a page of an old set") << "ButtonCancel" << true << true;
    }
    void stop() {
        QFETCH(QString, stop);
        QFETCH(bool, split);
        QFETCH(bool, old);
        TempDir dir, whole;
        std::string text;
        if (split) {
            for (int i = 1; i <= 10; ++i) text += "[" + std::to_string(i) + "] Section\n";
            for (int i = 1; i <= 10; ++i) text += "[" + std::to_string(i) + "] Section\n" + Text(200);
        } else {
            text = Text(20000);
        }
        for (const TempDir* folder : {&dir, &whole}) WriteFile(*folder / "long.txt", text);
        WriteFile(dir / "next.txt", "never converted\n");
        const std::string oldPage = split ? "2.html" : "long.html", oldText = "<HTML>the old page</HTML>\n";
        if (old) WriteFile(dir / oldPage, oldText);
        Window w;
        w.Show();
        if (split) w.Click("CheckFAQ");
        w.Browse("ButtonInput", split ? QStringList{Q(dir / "long.txt")} : QStringList{Q(dir / "long.txt"), Q(dir / "next.txt")});
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
        QCOMPARE(Cursor(), -1);
        QCOMPARE(endedAtMessage, 0);
        QCOMPARE(w.ended.count(), int(stop != "ButtonCancel"));
        EngineConvert(whole / "long.txt", split ? "FAQ" : whole / "long.html");
        QStringList pages = Files(dir.path()).filter(QStringLiteral(".html"));
        if (old) {
            // Nothing of it replaces the old page, nor goes beside it.
            QCOMPARE(pages, QStringList{Q(oldPage)});
            QCOMPARE(ReadFile(dir / oldPage), oldText);
        } else if (split) {
            // The pages so far, all as a whole conversion writes them but the last, which has the marker.
            QVERIFY2(pages.size() == 4 && Files(dir.path()).size() == 6, qPrintable(Files(dir.path()).join(u' ')));
            for (const QString& page : pages)
                if (page != "3.html") QCOMPARE(ReadFile(dir / page.toStdString()), ReadFile(whole / page.toStdString()));
            QVERIFY(ReadFile(dir / "3.html").find("<P>Processing interrupted</P><HR><B><P>\r\n") != std::string::npos);
        } else {
            QCOMPARE(pages, QStringList{"long.html"});
            const std::string page = ReadFile(dir / "long.html"), full = ReadFile(whole / "long.html");
            const std::string footer = full.substr(full.rfind("<HR><ADDRESS>"));
            const std::string body = page.substr(0, page.rfind("<P>Processing interrupted</P>" + footer));
            QVERIFY(page.ends_with("<P>Processing interrupted</P>" + footer) && full.starts_with(body));
            QVERIFY(body.ends_with("\r\n") && body.find("Line 30 ") != std::string::npos && body.size() < full.size() / 2);
        }
    }

    // Options, folder, size and place come back in the next run's window,
    // from a file in the settings folder.
    void settings() {
        const QRect place(40, 30, 900, 640);
        {
            Window w;
            w.Show();
            w.Click("Option3");
            w.Click("TimeStamp");
            w.Click("CheckFAQ");
            w.Browse("ButtonInput", {"/d/sub/A.txt"});
            w.frm.setGeometry(place);
            w.Click("ButtonClose");
        }
        QVERIFY(Exists(settings_ / (std::string(SettingsOrganization) + "/" + SettingsApplication + ".conf")));
        Window w;
        w.Show();
        QCOMPARE(w.frm.geometry(), place);
        QVERIFY(w.Get<QRadioButton>("Option3")->isChecked() && w.Get<QCheckBox>("TimeStamp")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("CheckFAQ")->isChecked());  // a split is asked for each time
        w.Browse("ButtonInput", {});
        QCOMPARE(w.dialogs.folders, QStringList{"/d/sub"});
    }

    // At twice the scale on a 1280x800 screen the whole window shows; a
    // batch shows its progress beside the buttons, and the window keeps its
    // size; every control has an access key of its own.
    void layout() {
        TempDir dir;
        WriteFile(dir / "long.txt", Text(5000));
        Window w;
        w.Show();
        const QSize size = w.frm.size(), twice = w.frm.sizeHint() * 2;
        QVERIFY2(twice.width() <= 1280 && twice.height() <= 800 - 60,  // with room for a title bar
                 qPrintable(QStringLiteral("%1x%2").arg(twice.width()).arg(twice.height())));
        w.Type("Inputname", Q(dir / "long.txt"));
        w.Type("Outputname", Q(dir / "long.html"));
        QSize during;
        Later look(10, [&](QWidget*) {
            QVERIFY(w.Get("ProgressBar")->isVisible());
            during = w.frm.size();
        });
        w.Click("ButtonOK");
        QVERIFY(look.done());
        QCOMPARE(during, size);
        QCOMPARE(w.frm.size(), size);

        QStringList keys;
        for (QWidget* control : w.frm.findChildren<QWidget*>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisible()) continue;
            QString caption;
            if (auto* button = qobject_cast<QAbstractButton*>(control)) caption = button->text();
            for (QLabel* label : w.frm.findChildren<QLabel*>())
                if (label->buddy() == control) caption = label->text();
            const QString key = QKeySequence::mnemonic(caption).toString();
            QVERIFY2(!key.isEmpty() && !keys.contains(key), qPrintable(control->objectName() + ": " + key));
            keys << key;
        }
        QCOMPARE(keys.size(), 16);
    }

    // The real "Complete" box: Enter is OK; the page and the folder are
    // buttons of their own, the page only when there is one page.
    void completed_box() {
        QtDialogs dialogs;
        const auto answer = [&](bool offerPage, std::function<void(QWidget*)> act) {
            Later press(0, std::move(act));
            return dialogs.Completed(nullptr, "Complete", "Torvex", "line 5: a remark", offerPage);
        };
        QCOMPARE(answer(true, [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }), CompleteChoice::Ok);
        const auto click = [](const char* caption, bool page) {
            return [=](QWidget* box) {
                QStringList captions;
                for (QPushButton* button : box->findChildren<QPushButton*>()) captions << button->text();
                QVERIFY2(captions.contains("&Open Page") == page && captions.contains("Show Details..."),
                         qPrintable(captions.join(u',')));
                for (QPushButton* button : box->findChildren<QPushButton*>())
                    if (button->text() == caption) button->click();
            };
        };
        QCOMPARE(answer(true, click("&Open Page", true)), CompleteChoice::OpenPage);
        QCOMPARE(answer(false, click("Show &Folder", false)), CompleteChoice::ShowFolder);
    }

    // The input dialog lists the usual names of text files in any case, and
    // takes a typed README as it is.
    void input_dialog() {
        TempDir dir;
        for (const char* name : {"README", "NEWS", "ChangeLog", "notes.md", "NOTES.TXT", "a.asc", "page.html", "x.png"})
            WriteFile(dir / name, "text\n");
        Window w;
        w.frm.CMDialog1.InitDir = Q(dir.path());
        QFileDialog box;
        SetUpFileDialog(box, w.frm.CMDialog1, false);
        const QString text = box.nameFilters().front();
        const QStringList patterns = text.mid(text.indexOf(u'(') + 1).chopped(1).split(u' ');
        QStringList listed = QDir(Q(dir.path())).entryList(patterns, QDir::Files);
        listed.sort();
        QCOMPARE(listed, QStringList({"ChangeLog", "NEWS", "NOTES.TXT", "README", "a.asc", "notes.md"}));
        QCOMPARE(box.nameFilters().back(), "All files (*)");
        box.selectFile("README");
        QCOMPARE(box.selectedFiles(), QStringList{Q(dir / "README")});
    }

    // A signal in the middle of a page ends the window as it ends the
    // command line: the temporary page goes, the old page stays as it was,
    // and the process ends by the signal (the shell sees 128 plus it).
    void endedBySignal_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void endedBySignal() {
        QFETCH(int, signal);
        TempDir dir;
        const std::string oldPage = "<HTML>the old page</HTML>\n";
        WriteFile(dir / "big.txt", Text(400000));
        WriteFile(dir / "big.html", oldPage);
        int out[2];
        QVERIFY(pipe2(out, O_CLOEXEC) == 0);
        const QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
        const std::string input = dir / "big.txt", output = dir / "big.html";
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            // As a desktop starts it: none of the three ignored or blocked.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int stop : {SIGINT, SIGTERM, SIGHUP}) std::signal(stop, SIG_DFL);
            execl(self.constData(), self.constData(), UntilSignal, input.c_str(), output.c_str(), nullptr);
            _exit(127);
        }
        close(out[1]);
        char said[16] = {};
        const ssize_t n = read(out[0], said, sizeof said - 1);
        close(out[0]);
        // Held still while its page is looked at, then signalled.
        int status = 0;
        kill(pid, SIGSTOP);
        waitpid(pid, &status, WUNTRACED);
        const QStringList midPage = Files(dir.path());
        kill(pid, signal);
        kill(pid, SIGCONT);
        waitpid(pid, &status, 0);
        QCOMPARE(QByteArray(said, int(std::max<ssize_t>(n, 0))), QByteArray("converting\n"));
        QVERIFY2(midPage.size() == 3 && midPage.filter(QStringLiteral(".big.html.torvex-")).size() == 1,
                 qPrintable(midPage.join(u' ')));
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == signal, QByteArray::number(status));
        QCOMPARE(Files(dir.path()), QStringList({"big.html", "big.txt"}));
        QVERIFY(ReadFile(dir / "big.html") == oldPage);
    }
};

}  // namespace torvex::testing

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], torvex::testing::UntilSignal) == 0)
        return torvex::testing::WindowUntilSignal(argv);
    QApplication app(argc, argv);
    torvex::testing::WindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
