// Dialogs for tests: scripted answers to the file dialogs, and message
// boxes recorded instead of shown.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

#include "dialogs.h"

namespace torvex::testing {

class FakeDialogs : public Dialogs {
public:
    // The answers to the next file dialogs, in order: the paths the user
    // chooses, or an empty list for Cancel. No answer left: Cancel.
    std::deque<QStringList> answers;
    // The dialogs' settings as they were shown.
    std::vector<CommonDialog> opened, saved;
    // The messages shown, and their titles.
    QStringList messages, titles;
    // Runs while a file dialog or a message is open (to look at the window
    // then, or to act as a user who clicks while a message is up).
    std::function<void()> onDialog;
    std::function<void(const QString&)> onMessage;

    bool ShowOpen(QWidget* parent, CommonDialog& dialog) override;
    bool ShowSave(QWidget* parent, CommonDialog& dialog) override;
    void Message(QWidget* parent, const QString& text, const QString& title) override;

private:
    bool Answer(CommonDialog& dialog);
};

}  // namespace torvex::testing
