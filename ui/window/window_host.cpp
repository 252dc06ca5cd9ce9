#include "window_host.h"

#include <QCoreApplication>
#include <QString>

#include "dialogs.h"
#include "product.h"

namespace torvex {

bool WindowHost::MayReplaceNonPage(const std::string& path) {
    return dialogs_.Question(parent_,
                             QString::fromLocal8Bit(path) + QStringLiteral(" exists and is not an HTML page. Replace it?"),
                             QString::fromUtf8(ProductName));
}

int WindowHost::Progress(unsigned long long done, unsigned long long total) {
    if (OnProgress) OnProgress(done, total);
    QCoreApplication::processEvents();
    return processing_ ? TORVEX_GO_ON : TORVEX_STOP;
}

}  // namespace torvex
