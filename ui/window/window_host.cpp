#include "window_host.h"

#include <QCoreApplication>
#include <QString>

#include "clock.h"
#include "dialogs.h"
#include "product.h"

namespace torvex {

// Engine messages may carry paths in the system's encoding.
void WindowHost::ShowMessage(const std::string& text) {
    dialogs_.Message(parent_, QString::fromLocal8Bit(text), QString::fromUtf8(ProductName));
}

bool WindowHost::MayReplaceNonPage(const std::string& path) {
    return dialogs_.Question(parent_,
                             QString::fromLocal8Bit(path) + QStringLiteral(" exists and is not an HTML page. Replace it?"),
                             QString::fromUtf8(ProductName));
}

void WindowHost::Yield() { QCoreApplication::processEvents(); }

StampTime WindowHost::Now() { return StampNow(); }

void WindowHost::Progress(unsigned long long done, unsigned long long total) {
    if (OnProgress) OnProgress(done, total);
}

}  // namespace torvex
