// What a conversion asks of the window while it runs: every progress report
// lets the window handle what is waiting, so that Cancel and Close work in
// the middle of a conversion, and a file that is not a page is replaced
// only if the user says so.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "conversion.h"

class QWidget;

namespace torvex {

class Dialogs;

class WindowHost : public ConversionHost {
public:
    // processing: the window's own flag, which Cancel and Close clear.
    WindowHost(Dialogs& dialogs, QWidget* parent, const bool& processing)
        : dialogs_(dialogs), parent_(parent), processing_(processing) {}

    // Kept for the batch to show once it is complete.
    void Warn(const std::string& text) override { remarks.push_back(text); }
    // Asks the user, Yes or No.
    bool MayReplaceNonPage(const std::string& path) override;
    // Handles the window's events; stops the conversion once they cleared
    // the window's flag.
    int Progress(unsigned long long done, unsigned long long total) override;

    // Told of the bytes read so far at each report (the window's progress bar).
    std::function<void(unsigned long long done, unsigned long long total)> OnProgress;
    // What conversions remarked on (a split document's cross references).
    std::vector<std::string> remarks;

private:
    Dialogs& dialogs_;
    QWidget* parent_;
    const bool& processing_;
};

}  // namespace torvex
