// The main window's controls and its event rules (all but OK's batch).
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "window_fixture.h"

namespace torvex::testing {

class MainFrmTest : public QObject {
    Q_OBJECT

private slots:
    // Every control in reading order (which is also the tab order of those
    // that take focus): its name, class and caption.
    void controls() {
        const struct {
            const char *name, *kind, *caption;
        } rows[] = {
            {"Picture1", "QLabel", ""},
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
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        QStringList focusable;
        QRect previous;
        for (const auto& row : rows) {
            QWidget* control = w.Get(row.name);
            QVERIFY2(control != nullptr && control->inherits(row.kind), row.name);
            QCOMPARE(control->property(qstrcmp(row.kind, "QGroupBox") ? "text" : "title").toString(),
                     QString::fromLatin1(row.caption));
            if (control->focusPolicy() & Qt::TabFocus) focusable << row.name;
            // Beside the one before (same middle, further right) or below it.
            const QRect at(control->mapTo(&w.frm, QPoint()), control->size());
            if (qAbs(at.center().y() - previous.center().y()) <= 2)
                QVERIFY2(at.left() > previous.left(), row.name);
            else
                QVERIFY2(at.top() > previous.top(), row.name);
            previous = at;
        }
        QStringList chain;
        QWidget* next = w.Get("Inputname");
        do {
            if (focusable.contains(next->objectName())) chain << next->objectName();
            next = next->nextInFocusChain();
        } while (next != w.Get("Inputname"));
        QCOMPARE(chain, focusable);
        // Defaults and look.
        QCOMPARE(w.frm.windowTitle(), QStringLiteral("Torvex"));
        QVERIFY(!w.frm.windowIcon().isNull() && !w.Get<QLabel>("Picture1")->pixmap().isNull());
        QVERIFY(w.Get<QRadioButton>("Option2")->isChecked());
        QVERIFY(!w.Get<QCheckBox>("CheckFAQ")->isChecked() && !w.Get<QCheckBox>("TimeStamp")->isChecked());
        const QFont title = w.Get("Title")->font();
        QVERIFY(title.bold() && QFontInfo(title).pixelSize() > QFontInfo(w.Get("Label4")->font()).pixelSize());
    }

    // One chosen file fills the input box and, when its name has a dot
    // after its first character, the output box and the kept output path.
    // Before each row: output "/o/Keep.html" chosen; after it, a cancelled
    // output dialog that changes nothing.
    void oneChosenFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("outputPath");
        QTest::newRow("ReadMe.TXT in a folder with a dot")
            << "/home/ann/my.docs/ReadMe.TXT" << "readme.txt" << "readme.html" << "/home/ann/my.docs/ReadMe.html";
        QTest::newRow("first dot counts") << "/d/Read.Me.txt" << "read.me.txt" << "read.html" << "/d/Read.html";
        QTest::newRow("no dot") << "/d/README" << "readme" << "keep.html" << "/o/Keep.html";
        QTest::newRow("leading dot") << "/d/.profile" << ".profile" << "keep.html" << "/o/Keep.html";
        QTest::newRow("cancelled") << "" << "" << "keep.html" << "/o/Keep.html";
    }

    void oneChosenFile() {
        QFETCH(QString, path);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, outputPath);
        Window w;
        w.Browse("ButtonOutput", {"/o/Keep.html"});
        w.Browse("ButtonInput", path.isEmpty() ? QStringList{} : QStringList{path});
        w.Browse("ButtonOutput", {});
        QCOMPARE(w.Box("Inputname")->text(), input);
        QCOMPARE(w.Box("Outputname")->text(), output);
        QCOMPARE(QString::fromStdString(w.frm.OutputPath), outputPath);
        QVERIFY(w.dialogs.messages.isEmpty());
    }

    // The split option writes "(multiple files)" to the output box. Several
    // files: "(multiple files)" in the input box, the split option unchecked
    // (which empties the output box); browsing again starts from nothing.
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
        auto* faq = w.Get<QCheckBox>("CheckFAQ");
        Type(w.Box("Outputname"), QStringLiteral("page.html"));
        if (split) faq->click();
        QCOMPARE(w.Box("Outputname")->text(), split ? QStringLiteral("(multiple files)") : QStringLiteral("page.html"));
        w.Browse("ButtonInput", {"/d/x.y/A.txt", "/d/x.y/Read.Me.txt", "/d/x.y/.profile"});
        QCOMPARE(w.Box("Inputname")->text(), QStringLiteral("(multiple files)"));
        QCOMPARE(w.Box("Outputname")->text(), output);
        QVERIFY(!faq->isChecked());
        QString seen = "unset";
        w.dialogs.onDialog = [&] { seen = w.Box("Inputname")->text() + w.Box("Outputname")->text(); };
        w.Browse("ButtonInput", {});
        QCOMPARE(seen, QString());
        QCOMPARE(w.frm.CMDialog1.FileName + w.frm.CMDialog1.FileNames.join(u','), QString());
    }

    // Enter presses OK wherever the focus is; Esc, Close and the close box
    // end the program; Cancel at rest does nothing.
    void keysAndButtonsAtRest_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("ended");
        const QStringList missing{"Input file name missing"};
        QTest::newRow("Enter in a box") << "PageTitle" << int(Qt::Key_Return) << missing << 0;
        QTest::newRow("Enter on a check box") << "CheckFAQ" << int(Qt::Key_Return) << missing << 0;
        QTest::newRow("Esc") << "Inputname" << int(Qt::Key_Escape) << QStringList{} << 1;
        QTest::newRow("Close") << "ButtonClose" << 0 << QStringList{} << 1;
        QTest::newRow("Cancel") << "ButtonCancel" << 0 << QStringList{} << 0;
        QTest::newRow("close box") << "" << 0 << QStringList{} << 1;
    }

    void keysAndButtonsAtRest() {
        QFETCH(QString, target);
        QFETCH(int, key);
        QFETCH(QStringList, messages);
        QFETCH(int, ended);
        Window w;
        w.frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.frm));
        if (target.isEmpty())
            PressCloseBox(&w.frm);
        else if (key != 0)
            QTest::keyClick(w.Get(target.toLatin1()), Qt::Key(key));
        else
            w.Button(target.toLatin1())->click();
        QCOMPARE(w.dialogs.messages, messages);
        QCOMPARE(w.ended.count(), ended);
        QCOMPARE(w.frm.isVisible(), ended == 0);
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
        QCOMPARE(about.box->objectName(), QStringLiteral("AboutFrm"));
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::MainFrmTest)
#include "main_frm_test.moc"
