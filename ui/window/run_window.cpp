// Start-up of the window: only when there is a display to show it on.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QFile>

#include "command_line.h"
#include "dialogs.h"
#include "main_frm.h"
#include "product.h"
#include "program_icon.h"
#include "run_window.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// Names the display settings that are set, for the message below.
std::string DisplaySettings() {
    std::string settings;
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        settings += (settings.empty() ? "" : ", ") + std::string(name) + "=" + value;
    }
    return settings;
}

// While the toolkit starts: a display that cannot be reached ends in a fatal
// message, which would abort the program; end it with a clear word instead.
// (The toolkit's own text advises reinstalling, which would not help.)
void ReportStartFailure(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    StderrHost host(stderr);
    host.ShowMessage("cannot open the window: the display could not be reached (" + DisplaySettings() + ")");
    host.ShowMessage("give INPUT and OUTPUT to convert without a window");
    std::fflush(stderr);
    std::_Exit(2);
}

}  // namespace

int RunWindow(int argc, char** argv, const std::string& input) {
    qInstallMessageHandler(ReportStartFailure);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    QApplication::setApplicationName(QString::fromUtf8(ProductName));
    QApplication::setWindowIcon(ProgramIcon());
    // The window decides when the program ends (a batch may still be
    // finishing its page when the window closes).
    QApplication::setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    MainFrm window(dialogs);
    QObject::connect(&window, &MainFrm::EndProgram, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // "-" is standard input, which the window cannot read.
    if (!input.empty() && input != "-") window.OpenFiles({QFile::decodeName(QByteArray::fromStdString(input))});
    window.show();
    return QApplication::exec();
}

}  // namespace torvex

extern "C" int torvex_run_window(int argc, char** argv, const char* input) {
    return torvex::RunWindow(argc, argv, input);
}
