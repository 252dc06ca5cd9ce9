#include "window_fixture.h"

#include <QApplication>
#include <QDialog>

#include "clock.h"
#include "temp_dir.h"

namespace torvex::testing {

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
    if (onMessage) onMessage();
}

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> act) : act_(std::move(act)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (box == nullptr && modal != nullptr && modal->isVisible()) {
            box = modal;
            act_(modal);
        } else if (box != nullptr && !box->isVisible()) {
            timer_.stop();
        } else if (++ticks_ > 500) {  // 5 s: unanswered, or the answer left it open
            timer_.stop();
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    });
    timer_.start(10);
}

AtTurn::AtTurn(int turns, std::function<void()> act) : left_(turns), act_(std::move(act)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (--left_ > 0) return;
        timer_.stop();
        act_();
    });
    timer_.start(0);
}

namespace {
class QuietHost : public Host {
    void ShowMessage(const std::string&) override {}
    void Yield() override {}
    StampTime Now() override { return StampNow(); }
};
}  // namespace

void EngineConvert(const std::string& input, std::string output, int mode, const std::string& title, bool stamp) {
    QuietHost host;
    Engine engine(host);
    engine.Processing = true;
    std::string in = input, t = title;
    engine.ConvertFile(in, output, t, mode, stamp);
}

std::string EnginePage(const std::string& input, int mode, const std::string& title, bool stamp) {
    TempDir dir;
    EngineConvert(input, dir / "page.html", mode, title, stamp);
    return ReadFile(dir / "page.html");
}

std::string LongText(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i)
        text += "Line " + std::to_string(i) + " of a long text, with words enough to make it a line.\n";
    return text;
}

}  // namespace torvex::testing
