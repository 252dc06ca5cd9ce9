// A main window on fake dialogs, with its controls found by their names.
#pragma once

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "fake_dialogs.h"
#include "main_frm.h"

namespace torvex::testing {

struct Window {
    FakeDialogs dialogs;
    MainFrm frm{dialogs};
    QSignalSpy ended{&frm, &MainFrm::EndProgram};

    template <class Control>
    Control* Get(const char* name) {
        return frm.findChild<Control*>(QString::fromLatin1(name));
    }
    QLineEdit* Inputname() { return Get<QLineEdit>("Inputname"); }
    QLineEdit* Outputname() { return Get<QLineEdit>("Outputname"); }
    QLineEdit* PageTitle() { return Get<QLineEdit>("PageTitle"); }
    QCheckBox* CheckFAQ() { return Get<QCheckBox>("CheckFAQ"); }
    QCheckBox* TimeStamp() { return Get<QCheckBox>("TimeStamp"); }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }

    // Clicks a Browse button with the dialog's answer ready.
    void Browse(const char* button, const QStringList& answer) {
        dialogs.answers.push_back(answer);
        Button(button)->click();
    }
    void OK() { Button("ButtonOK")->click(); }
};

// The window system's close request, as from the close box on the frame.
// (QWindow::close() would be a close by the program.)
inline void PressCloseBox(QWidget* window) {
    QCloseEvent request;
    QCoreApplication::sendEvent(window->windowHandle(), &request);
}

// Replaces the text of a box as a user types it.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

}  // namespace torvex::testing
