// The About box: its texts, Enter and Esc, kept after Ok, created afresh
// after its close box.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "about_frm.h"
#include "modal.h"
#include "window_fixture.h"

namespace torvex::testing {
namespace {

// Opens the About box from the main window and answers it with act.
QPointer<QWidget> OpenAbout(Window& w, std::function<void(QWidget*)> act) {
    ModalAnswer answer(std::move(act));
    w.Button("ButtonReg")->click();  // returns when the box is hidden or closed
    if (!answer.answered()) return nullptr;
    return answer.box;
}

void PressReturn(QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }

}  // namespace

class AboutFrmTest : public QObject {
    Q_OBJECT

private slots:
    void texts() {
        AboutFrm about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.windowTitle(), QStringLiteral("About Torvex"));
        const struct {
            const char *name, *text;
        } rows[] = {
            {"Label1", "For further details on Torvex"},
            {"Label2", "Please visit the Torvex homepage on the WWW at"},
            {"HomePageDetails", "http://www.vantry.example/software/torvex.html"},
            {"Label3", "or mail the author, Brenlow at"},
            {"Label4", "brenlow@vantry.example"},
            {"Label5", "Thank you for trying out Torvex!"},
            {"Label6", "Please let us know if you have any comments or suggestions for improving the product"},
        };
        int previous = -1;
        for (const auto& row : rows) {
            auto* label = about.findChild<QLabel*>(QString::fromLatin1(row.name));
            QVERIFY2(label != nullptr, row.name);
            QCOMPARE(label->text(), QString::fromLatin1(row.text));
            QVERIFY2(label->y() > previous, row.name);
            previous = label->y();
        }
        auto* last = about.findChild<QLabel*>(QStringLiteral("Label6"));
        QVERIFY2(last->height() >= 2 * last->fontMetrics().lineSpacing(), "the last text stands on two lines");
        auto* ok = about.findChild<QPushButton*>(QStringLiteral("OkButton"));
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QStringLiteral("Ok"));
        QVERIFY(ok->isDefault());
        QVERIFY(ok->y() > previous);
    }

    void enterAndEscDismissTheBox_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void enterAndEscDismissTheBox() {
        QFETCH(int, key);
        Window w;
        w.frm.show();
        bool modal = false;
        QPointer<QWidget> box = OpenAbout(w, [&](QWidget* about) {
            modal = about->isModal() && about->objectName() == QStringLiteral("AboutFrm");
            QTest::keyClick(about, Qt::Key(key));
        });
        QVERIFY(box != nullptr);
        QVERIFY(modal);
        QVERIFY(!box->isVisible());
        QCOMPARE(w.ended.count(), 0);
        QVERIFY(w.frm.isVisible());
    }

    // Ok hides the box, which is shown again as it was; the close box
    // closes it, and the next one is a new box.
    void keptAfterOkCreatedAfreshAfterTheCloseBox() {
        Window w;
        w.frm.show();
        QPointer<QWidget> first = OpenAbout(w, PressReturn);
        QVERIFY(first != nullptr);
        QPointer<QWidget> again = OpenAbout(w, [](QWidget* box) {
            box->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
        });
        QCOMPARE(again.data(), first.data());

        QPointer<QWidget> closed = OpenAbout(w, [](QWidget* box) { PressCloseBox(box); });
        QCOMPARE(closed.data(), first.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first == nullptr);
        QString home;
        QPointer<QWidget> fresh = OpenAbout(w, [&](QWidget* box) {
            home = box->findChild<QLabel*>(QStringLiteral("HomePageDetails"))->text();
            PressReturn(box);
        });
        QVERIFY(fresh != nullptr);
        QCOMPARE(home, QStringLiteral("http://www.vantry.example/software/torvex.html"));
        QCOMPARE(w.ended.count(), 0);
    }

    // Closed by anything but its close box (the session ending): the
    // program ends.
    void otherClosesEndTheProgram() {
        Window w;
        w.frm.show();
        QPointer<QWidget> box = OpenAbout(w, [](QWidget* about) { about->close(); });
        QVERIFY(box != nullptr);
        QCOMPARE(w.ended.count(), 1);
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::AboutFrmTest)
#include "about_frm_test.moc"
