// Window test support: a main window on scripted dialogs, the page the
// engine writes by itself, and actions timed to the event loop.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include <QCloseEvent>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "dialogs.h"
#include "main_frm.h"

namespace torvex::testing {

// File dialogs answered from a script (an empty list is Cancel, as is no
// answer left); messages recorded instead of shown; questions recorded and
// answered from replies (No when none is left).
class FakeDialogs : public Dialogs {
public:
    std::deque<QStringList> answers;
    QStringList messages, titles, questions;
    std::deque<bool> replies;
    std::function<void()> onDialog, onMessage;  // run while the box is up

    bool ShowOpen(QWidget*, CommonDialog& dialog) override { return Answer(dialog); }
    bool ShowSave(QWidget*, CommonDialog& dialog) override { return Answer(dialog); }
    void Message(QWidget*, const QString& text, const QString& title) override;
    bool Question(QWidget*, const QString& text, const QString&) override {
        questions.append(text);
        if (replies.empty()) return false;
        const bool yes = replies.front();
        replies.pop_front();
        return yes;
    }

private:
    bool Answer(CommonDialog& dialog);
};

struct Window {
    FakeDialogs dialogs;
    MainFrm frm{dialogs};
    QSignalSpy ended{&frm, &MainFrm::EndProgram};

    template <class Control = QWidget>
    Control* Get(const char* name) { return frm.findChild<Control*>(QString::fromLatin1(name)); }
    QLineEdit* Box(const char* name) { return Get<QLineEdit>(name); }
    QPushButton* Button(const char* name) { return Get<QPushButton>(name); }
    void Browse(const char* button, const QStringList& answer) {
        dialogs.answers.push_back(answer);
        Button(button)->click();
    }
    void OK() { Button("ButtonOK")->click(); }
};

// The window system's close request, as from the close box on the frame
// (QWidget::close() would be a close by the program).
inline void PressCloseBox(QWidget* window) {
    QCloseEvent request;
    QCoreApplication::sendEvent(window->windowHandle(), &request);
}

// Replaces the text of a box as a user types it.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Runs act on the next modal box that shows, from the event loop that the
// code under test runs in the box's exec(). A box still open 5 s later is
// rejected so that the test ends.
class ModalAnswer : public QObject {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> act);
    bool answered() const { return box != nullptr; }
    QPointer<QWidget> box;

private:
    std::function<void(QWidget*)> act_;
    QTimer timer_;
    int ticks_ = 0;
};

// Runs act once the event loop has turned `turns` times; a conversion
// turns it once per 25 lines.
class AtTurn : public QObject {
public:
    AtTurn(int turns, std::function<void()> act);
    bool done() const { return left_ == 0; }

private:
    QTimer timer_;
    int left_;
    std::function<void()> act_;
};

// Runs the engine alone on a request; EnginePage returns the page.
void EngineConvert(const std::string& input, std::string output, int mode = 2, const std::string& title = "",
                   bool stamp = false);
std::string EnginePage(const std::string& input, int mode = 2, const std::string& title = "", bool stamp = false);

// A text long enough that its conversion yields many times.
std::string LongText(int lines);

}  // namespace torvex::testing
