// The main window's controls and its event rules (all but OK's batch).
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "modal.h"
#include "window_fixture.h"

namespace torvex::testing {
namespace {

const char* const ControlOrder[] = {"Inputname", "ButtonInput", "Outputname", "ButtonOutput", "CheckFAQ",
                                    "Option2",   "Option1",     "Option3",    "TimeStamp",    "PageTitle",
                                    "ButtonOK",  "ButtonClose", "ButtonCancel", "ButtonReg"};

int MiddleY(QWidget* frm, QWidget* control) { return control->mapTo(frm, QPoint(0, control->height() / 2)).y(); }

}  // namespace

class MainFrmTest : public QObject {
    Q_OBJECT

private slots:
    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("caption");
        const struct {
            const char *name, *kind, *caption;
        } rows[] = {
            {"Title", "QLabel", "Torvex V2.5"},
            {"Label4", "QLabel", "Input File"},
            {"Inputname", "QLineEdit", ""},
            {"ButtonInput", "QPushButton", "Browse..."},
            {"Label5", "QLabel", "Output File"},
            {"Outputname", "QLineEdit", ""},
            {"ButtonOutput", "QPushButton", "Browse..."},
            {"CheckFAQ", "QCheckBox", "Split and cross reference output"},
            {"Frame2", "QGroupBox", "Line break options"},
            {"Option2", "QRadioButton", "Add line breaks where necessary"},
            {"Option1", "QRadioButton", "Keep original line breaks"},
            {"Option3", "QRadioButton", "No line breaks"},
            {"TimeStamp", "QCheckBox", "Date and Time stamp output"},
            {"Label3", "QLabel", "Page title"},
            {"PageTitle", "QLineEdit", ""},
            {"ButtonOK", "QPushButton", "OK"},
            {"ButtonClose", "QPushButton", "Close"},
            {"ButtonCancel", "QPushButton", "&Cancel"},
            {"ButtonReg", "QPushButton", "&About"},
        };
        for (const auto& row : rows) QTest::newRow(row.name) << row.kind << row.caption;
    }

    void controls() {
        QFETCH(QString, kind);
        QFETCH(QString, caption);
        Window w;
        QWidget* control = w.frm.findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(control != nullptr);
        QVERIFY2(control->inherits(kind.toLatin1()), control->metaObject()->className());
        const char* property = kind == "QGroupBox" ? "title" : "text";
        QCOMPARE(control->property(property).toString(), caption);
    }

    void defaultsAndLook() {
        Window w;
        QCOMPARE(w.frm.objectName(), QStringLiteral("MainFrm"));
        QCOMPARE(w.frm.windowTitle(), QStringLiteral("Torvex"));
        QVERIFY(!w.frm.windowIcon().isNull());
        QVERIFY(!w.Get<QLabel>("Picture1")->pixmap().isNull());
        QVERIFY(!w.CheckFAQ()->isChecked());
        QVERIFY(!w.TimeStamp()->isChecked());
        QVERIFY(w.Get<QRadioButton>("Option2")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("Option1")->isChecked());
        QVERIFY(!w.Get<QRadioButton>("Option3")->isChecked());
        QVERIFY(w.Button("ButtonOK")->isDefault());
        const QFont title = w.Get<QLabel>("Title")->font();
        QVERIFY(title.bold());
        QVERIFY(QFontInfo(title).pixelSize() > QFontInfo(w.Get<QLabel>("Label4")->font()).pixelSize());
        // Form_Load
        QCOMPARE(w.frm.MessageTitle, QStringLiteral("Torvex"));
        QVERIFY(!w.frm.engine().Processing);
        QVERIFY(w.frm.OutputPath.empty());
        QVERIFY(w.frm.CMDialog1.FileName.isEmpty());
    }

    void controlsStandInTheirOrder() {
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        auto* picture = w.Get<QWidget>("Picture1");
        auto* title = w.Get<QWidget>("Title");
        QVERIFY(picture->mapTo(&w.frm, QPoint()).x() < title->mapTo(&w.frm, QPoint()).x());
        // Top to bottom; controls of one row share it.
        const char* column[] = {"Title",    "Label4",  "Inputname", "ButtonInput", "Label5",
                                "Outputname", "ButtonOutput", "CheckFAQ", "Frame2", "TimeStamp",
                                "Label3",   "PageTitle", "ButtonOK"};
        int previous = -1;
        for (const char* name : column) {
            const int y = MiddleY(&w.frm, w.Get<QWidget>(name));
            QVERIFY2(y >= previous - 2, name);
            previous = y;
        }
        auto* frame = w.Get<QWidget>("Frame2");
        int last = -1;
        for (const char* name : {"Option2", "Option1", "Option3"}) {
            auto* option = w.Get<QWidget>(name);
            QCOMPARE(option->parentWidget(), frame);
            QVERIFY2(option->y() > last, name);
            last = option->y();
        }
        // The buttons in one row: OK, Close, Cancel, About.
        int left = -1;
        for (const char* name : {"ButtonOK", "ButtonClose", "ButtonCancel", "ButtonReg"}) {
            auto* button = w.Get<QWidget>(name);
            QVERIFY2(qAbs(MiddleY(&w.frm, button) - MiddleY(&w.frm, w.Button("ButtonOK"))) <= 2, name);
            QVERIFY2(button->mapTo(&w.frm, QPoint()).x() > left, name);
            left = button->mapTo(&w.frm, QPoint()).x();
        }
    }

    void tabOrder() {
        Window w;
        QStringList expected;
        for (const char* name : ControlOrder) expected << QString::fromLatin1(name);
        QStringList seen;
        QWidget* start = w.Inputname();
        QWidget* next = start;
        do {
            if (expected.contains(next->objectName())) seen << next->objectName();
            next = next->nextInFocusChain();
        } while (next != start && seen.size() < expected.size());
        QCOMPARE(seen, expected);
    }

    void fileDialogSettings() {
        Window w;
        w.Browse("ButtonInput", {});
        w.Browse("ButtonOutput", {});
        QCOMPARE(w.dialogs.opened.size(), size_t(1));
        const CommonDialog& in = w.dialogs.opened[0];
        QCOMPARE(in.DialogTitle, QStringLiteral("Input file"));
        QCOMPARE(in.Filter, QStringLiteral("Text (*.txt)"));
        QCOMPARE(in.DefaultExt, QStringLiteral("txt"));
        QVERIFY(in.MultiSelect);
        QVERIFY(in.FileMustExist);
        QVERIFY(!in.OverwritePrompt);
        QCOMPARE(w.dialogs.saved.size(), size_t(1));
        const CommonDialog& out = w.dialogs.saved[0];
        QCOMPARE(out.DialogTitle, QStringLiteral("Output file"));
        QCOMPARE(out.Filter, QStringLiteral("HTML (*.html)"));
        QCOMPARE(out.DefaultExt, QStringLiteral("html"));
        QVERIFY(out.OverwritePrompt);
        QVERIFY(!out.MultiSelect);
    }

    // One chosen file fills the input box and, when its name has a dot
    // after its first character, the output box and the kept output path.
    void oneChosenFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("outputPath");
        // Before each row: output box "keep.html", kept path "/o/Keep.html".
        QTest::newRow("ReadMe.TXT in a folder with a dot")
            << "/home/ann/my.docs/ReadMe.TXT" << "readme.txt" << "readme.html" << "/home/ann/my.docs/ReadMe.html";
        QTest::newRow("first dot counts") << "/d/Read.Me.txt" << "read.me.txt" << "read.html" << "/d/Read.html";
        QTest::newRow("no dot") << "/d/README" << "readme" << "keep.html" << "/o/Keep.html";
        QTest::newRow("leading dot") << "/d/.profile" << ".profile" << "keep.html" << "/o/Keep.html";
    }

    void oneChosenFile() {
        QFETCH(QString, path);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, outputPath);
        Window w;
        w.Browse("ButtonOutput", {"/o/Keep.html"});
        QCOMPARE(w.Outputname()->text(), QStringLiteral("keep.html"));
        w.Browse("ButtonInput", {path});
        QCOMPARE(w.Inputname()->text(), input);
        QCOMPARE(w.Outputname()->text(), output);
        QCOMPARE(QString::fromStdString(w.frm.OutputPath), outputPath);
        QCOMPARE(w.frm.CMDialog1.FileName, path);
        QVERIFY(w.frm.CMDialog1.FileNames.isEmpty());
    }

    void outputDialogKeepsCaseInPath() {
        Window w;
        w.Browse("ButtonOutput", {"/Web/Pages/Index.HTML"});
        QCOMPARE(w.Outputname()->text(), QStringLiteral("index.html"));
        QCOMPARE(w.frm.OutputPath, std::string("/Web/Pages/Index.HTML"));
    }

    // Cancel in a file dialog leaves the window as it was.
    void cancelledDialogsChangeNothing() {
        Window w;
        w.Browse("ButtonInput", {"/d/Notes.txt"});
        w.Browse("ButtonOutput", {"/o/Page.html"});
        Type(w.PageTitle(), QStringLiteral("T"));
        w.Browse("ButtonInput", {});
        w.Browse("ButtonOutput", {});
        QCOMPARE(w.Inputname()->text(), QStringLiteral("notes.txt"));
        QCOMPARE(w.Outputname()->text(), QStringLiteral("page.html"));
        QCOMPARE(w.frm.OutputPath, std::string("/o/Page.html"));
        QCOMPARE(w.frm.CMDialog1.FileName, QStringLiteral("/d/Notes.txt"));
        QVERIFY(w.dialogs.messages.isEmpty());
    }

    void typingInTheOutputBoxDropsTheKeptPath() {
        Window w;
        w.Browse("ButtonOutput", {"/o/Page.html"});
        QCOMPARE(w.frm.OutputPath, std::string("/o/Page.html"));
        Type(w.Outputname(), QStringLiteral("typed.html"));
        QVERIFY(w.frm.OutputPath.empty());
    }

    void typingInTheInputBoxDropsTheKeptSelection() {
        Window w;
        w.Browse("ButtonInput", {"/d/A.txt", "/d/B.txt"});
        QCOMPARE(w.frm.CMDialog1.FileNames.size(), 2);
        Type(w.Inputname(), QStringLiteral("typed.txt"));
        QVERIFY(w.frm.CMDialog1.FileName.isEmpty());
        QVERIFY(w.frm.CMDialog1.FileNames.isEmpty());
    }

    void severalFiles_data() {
        QTest::addColumn<bool>("split");
        QTest::addColumn<QString>("output");
        QTest::newRow("split unchecked") << false << "(multiple files)";
        QTest::newRow("split checked") << true << "";
    }

    void severalFiles() {
        QFETCH(bool, split);
        QFETCH(QString, output);
        Window w;
        if (split) w.CheckFAQ()->click();
        QCOMPARE(w.CheckFAQ()->isChecked(), split);
        w.Browse("ButtonInput", {"/d/x.y/A.txt", "/d/x.y/Read.Me.txt", "/d/x.y/.profile"});
        QCOMPARE(w.Inputname()->text(), QStringLiteral("(multiple files)"));
        QCOMPARE(w.Outputname()->text(), output);
        QVERIFY(!w.CheckFAQ()->isChecked());
        QVERIFY(w.frm.OutputPath.empty());
        QCOMPARE(w.frm.CMDialog1.FileName, QStringLiteral("/d/x.y"));
        QCOMPARE(w.frm.CMDialog1.FileNames, QStringList({"A.txt", "Read.Me.txt", ".profile"}));
    }

    // A new input dialog over "(multiple files)" starts from nothing.
    void browsingAgainAfterSeveralFilesEmptiesBothBoxes() {
        Window w;
        w.Browse("ButtonInput", {"/d/A.txt", "/d/B.txt"});
        QString inputSeen, outputSeen, keptSeen = QStringLiteral("unset");
        w.dialogs.onDialog = [&] {
            inputSeen = w.Inputname()->text();
            outputSeen = w.Outputname()->text();
            keptSeen = w.frm.CMDialog1.FileName + w.frm.CMDialog1.FileNames.join(u',');
        };
        w.Browse("ButtonInput", {});
        QCOMPARE(inputSeen, QString());
        QCOMPARE(outputSeen, QString());
        QCOMPARE(keptSeen, QString());
        QCOMPARE(w.Inputname()->text(), QString());
    }

    void splitOptionWritesTheOutputBox() {
        Window w;
        Type(w.Outputname(), QStringLiteral("page.html"));
        w.CheckFAQ()->click();
        QCOMPARE(w.Outputname()->text(), QStringLiteral("(multiple files)"));
        w.CheckFAQ()->click();
        QCOMPARE(w.Outputname()->text(), QString());
    }

    void cancelWithoutABatchShowsNothing() {
        Window w;
        w.Button("ButtonCancel")->click();
        QVERIFY(w.dialogs.messages.isEmpty());
        QCOMPARE(w.ended.count(), 0);
    }

    void enterPressesOK() {
        Window w;
        w.frm.show();
        for (QWidget* focus : {static_cast<QWidget*>(w.Inputname()), static_cast<QWidget*>(w.PageTitle()),
                               static_cast<QWidget*>(w.CheckFAQ())}) {
            w.dialogs.messages.clear();
            QTest::keyClick(focus, Qt::Key_Return);
            QCOMPARE(w.dialogs.messages, QStringList{"Input file name missing"});
            QCOMPARE(w.dialogs.titles.last(), QStringLiteral("Torvex"));
        }
    }

    void escPressesClose() {
        Window w;
        w.frm.show();
        QTest::keyClick(w.Inputname(), Qt::Key_Escape);
        QCOMPARE(w.ended.count(), 1);
        QVERIFY(!w.frm.isVisible());
        QVERIFY(w.dialogs.messages.isEmpty());
    }

    void closeEndsTheProgram() {
        Window w;
        w.frm.show();
        w.Button("ButtonClose")->click();
        QCOMPARE(w.ended.count(), 1);
        QVERIFY(!w.frm.isVisible());
    }

    void closeBoxEndsTheProgram() {
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        PressCloseBox(&w.frm);
        QCOMPARE(w.ended.count(), 1);
        QVERIFY(!w.frm.isVisible());
        QVERIFY(w.dialogs.messages.isEmpty());
    }

    void accessKeys() {
        Window w;
        w.frm.show();
        w.frm.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.frm));
        QSignalSpy cancel(w.Button("ButtonCancel"), &QPushButton::clicked);
        QTest::keyClick(w.frm.windowHandle(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(cancel.count(), 1);  // an access key clicks with a short animation
        ModalAnswer about([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
        QTest::keyClick(w.frm.windowHandle(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(about.answered());
        QVERIFY(about.box != nullptr);
        QCOMPARE(about.box->objectName(), QStringLiteral("AboutFrm"));
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::MainFrmTest)
#include "main_frm_test.moc"
