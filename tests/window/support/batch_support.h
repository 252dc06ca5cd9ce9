// Helpers for batch tests: the page the engine itself writes for a request,
// and actions timed to the turns of the event loop that a running
// conversion gives the window.
#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QTimer>

#include "engine.h"

namespace torvex::testing {

// The page the engine itself writes for input.
std::string EnginePage(const std::string& input, int mode = 2, const std::string& title = "", bool stamp = false);

// Splits input into its page set beside it, as the engine does by itself.
void EngineSplit(const std::string& input);

// Runs act once the event loop has turned about `turns` times; a batch
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

// Lines enough that a conversion yields many times.
std::string LongText(int lines);

}  // namespace torvex::testing
