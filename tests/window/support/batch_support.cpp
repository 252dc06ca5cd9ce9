#include "batch_support.h"

#include "clock.h"
#include "temp_dir.h"

namespace torvex::testing {

namespace {

class QuietHost : public Host {
public:
    void ShowMessage(const std::string&) override {}
    void Yield() override {}
    StampTime Now() override { return StampNow(); }
};

}  // namespace

std::string EnginePage(const std::string& input, int mode, const std::string& title, bool stamp) {
    TempDir dir;
    QuietHost host;
    Engine engine(host);
    engine.Processing = true;
    std::string in = input, out = dir / "page.html", t = title;
    engine.ConvertFile(in, out, t, mode, stamp);
    return ReadFile(out);
}

void EngineSplit(const std::string& input) {
    QuietHost host;
    Engine engine(host);
    engine.Processing = true;
    std::string in = input, out = "FAQ", title;
    int mode = 2;
    bool stamp = false;
    engine.ConvertFile(in, out, title, mode, stamp);
}

AtTurn::AtTurn(int turns, std::function<void()> act) : left_(turns), act_(std::move(act)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (--left_ > 0) return;
        timer_.stop();
        act_();
    });
    timer_.start(0);
}

std::string LongText(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i)
        text += "Line " + std::to_string(i) + " of a long text, with words enough to make it a line.\n";
    return text;
}

}  // namespace torvex::testing
