// The About box: its texts, Enter and Esc, kept after Ok, created afresh
// after its close box.
#include <QLabel>

#include "about_frm.h"
#include "window_fixture.h"

namespace torvex::testing {
namespace {

// Opens the About box from the main window and answers it with act.
QPointer<QWidget> OpenAbout(Window& w, std::function<void(QWidget*)> act) {
    ModalAnswer answer(std::move(act));
    w.Button("ButtonReg")->click();  // returns when the box is hidden or closed
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
        const char* const rows[][2] = {
            {"Label1", "For further details on Torvex"},
            {"Label2", "Please visit the Torvex homepage on the WWW at"},
            {"HomePageDetails", "http://www.vantry.example/software/torvex.html"},
            {"Label3", "or mail the author, Brenlow at"},
            {"Label4", "brenlow@vantry.example"},
            {"Label5", "Thank you for trying out Torvex!"},
            {"Label6", "Please let us know if you have any comments or suggestions for improving the product"},
            {"OkButton", "Ok"},
        };
        int previous = -1;
        for (const auto& row : rows) {
            auto* control = about.findChild<QWidget*>(QString::fromLatin1(row[0]));
            QVERIFY2(control != nullptr, row[0]);
            QCOMPARE(control->property("text").toString(), QString::fromLatin1(row[1]));
            QVERIFY2(control->y() > previous, row[0]);
            previous = control->y();
        }
        auto* last = about.findChild<QLabel*>(QStringLiteral("Label6"));
        QVERIFY2(last->height() >= 2 * last->fontMetrics().lineSpacing(), "the last text stands on two lines");
    }

    // Enter and Esc dismiss the modal box and the program goes on; closed
    // by anything but its close box (the session ending) the program ends.
    void dismissing_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("ended");
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0;
        QTest::newRow("closed by the program") << 0 << 1;
    }

    void dismissing() {
        QFETCH(int, key);
        QFETCH(int, ended);
        Window w;
        w.frm.show();
        bool modal = false;
        QPointer<QWidget> box = OpenAbout(w, [&](QWidget* about) {
            modal = about->isModal() && about->objectName() == QStringLiteral("AboutFrm");
            if (key != 0)
                QTest::keyClick(about, Qt::Key(key));
            else
                about->close();
        });
        QVERIFY(box != nullptr && modal);
        QVERIFY(!box->isVisible());
        QCOMPARE(w.ended.count(), ended);
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
        QPointer<QWidget> fresh = OpenAbout(w, PressReturn);
        QVERIFY(fresh != nullptr);
        QCOMPARE(w.ended.count(), 0);
    }
};

}  // namespace torvex::testing

QTEST_MAIN(torvex::testing::AboutFrmTest)
#include "about_frm_test.moc"
