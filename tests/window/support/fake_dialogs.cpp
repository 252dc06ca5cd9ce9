#include "fake_dialogs.h"

namespace torvex::testing {

bool FakeDialogs::ShowOpen(QWidget*, CommonDialog& dialog) {
    opened.push_back(dialog);
    return Answer(dialog);
}

bool FakeDialogs::ShowSave(QWidget*, CommonDialog& dialog) {
    saved.push_back(dialog);
    return Answer(dialog);
}

bool FakeDialogs::Answer(CommonDialog& dialog) {
    if (onDialog) onDialog();
    if (answers.empty()) return false;
    const QStringList paths = answers.front();
    answers.pop_front();
    if (paths.isEmpty()) return false;
    SetChosenFiles(dialog, paths);
    return true;
}

void FakeDialogs::Message(QWidget*, const QString& text, const QString& title) {
    messages.append(text);
    titles.append(title);
    if (onMessage) onMessage(text);
}

}  // namespace torvex::testing
