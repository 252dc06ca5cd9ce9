#include "program_icon.h"

#include <QString>

namespace torvex {

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/torvex-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace torvex
