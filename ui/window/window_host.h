// The engine's host while the window runs: its messages are the window's
// message boxes, and every yield lets the window handle what is waiting, so
// that Cancel and Close work in the middle of a conversion.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host.h"

class QWidget;

namespace torvex {

class Dialogs;

class WindowHost : public Host {
public:
    WindowHost(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

    void ShowMessage(const std::string& text) override;
    // Kept for the batch to show once it is complete.
    void Warn(const std::string& text) override { remarks.push_back(text); }
    // Asks the user, Yes or No.
    bool MayReplaceNonPage(const std::string& path) override;
    void Yield() override;
    StampTime Now() override;
    void Progress(unsigned long long done, unsigned long long total) override;

    // Told of the bytes read so far at each yield (the window's progress bar).
    std::function<void(unsigned long long done, unsigned long long total)> OnProgress;
    // What conversions remarked on (a split document's cross references).
    std::vector<std::string> remarks;

private:
    Dialogs& dialogs_;
    QWidget* parent_;
};

}  // namespace torvex
