// The OK command: turns what the window holds into one conversion request
// per chosen file and runs them one after the other.
#include <exception>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

#include "file_names.h"
#include "main_frm.h"
#include "product.h"

namespace torvex {

void MainFrm::ButtonOK_Click() {
    // The engine lets the window handle events while it runs, so OK (or
    // Enter) can arrive inside a batch: one batch at a time.
    if (batch_running_) return;
    const QString multiple = QString::fromUtf8(MultipleFiles);
    const QString appTitle = QString::fromUtf8(ProductName);

    // 1. The input: the kept dialog selection, else the typed name. A name
    //    of spaces only names nothing.
    QString selection = CMDialog1.FileName;
    QStringList chosen = CMDialog1.FileNames;
    if (selection.isEmpty()) selection = Inputname->text();
    if (TrimSpaces(selection).isEmpty()) {
        Message(QStringLiteral("Input file name missing"), appTitle);
        return;
    }
    // 2. The output: the kept path, else the typed name.
    if (OutputPath.empty()) OutputPath = PathBytes(Outputname->text());
    if (TrimSpaces(PathText(OutputPath)).isEmpty()) {
        Message(QStringLiteral("Output file name missing"), appTitle);
        return;
    }
    // 3.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // 4.
    int mode = 0;
    if (Option1->isChecked()) mode = 1;
    if (Option2->isChecked()) mode = 2;
    if (Option3->isChecked()) mode = 3;
    // 5. "FAQ" asks for split output; the output box keeps its text.
    const bool split = CheckFAQ->isChecked();
    if (split) OutputPath = "FAQ";
    // 6. Several chosen files: a folder and the names in it.
    const QString folder = chosen.isEmpty() ? QString() : selection;
    QStringList remaining = chosen.isEmpty() ? QStringList{selection} : chosen;
    // 7. Each file gets an output name derived from its own name when the
    //    output says so, and for every file of a multiple selection that is
    //    not split (one output name cannot serve several files).
    const bool derive = OutputPath == MultipleFiles || (!folder.isEmpty() && !split);
    // 8.
    engine_.Processing = true;
    batch_running_ = true;

    bool converted = false;
    QString failure;
    // 9. One file after the other.
    while (!remaining.isEmpty()) {
        // 9.1
        const QString name = TrimSpaces(remaining.takeFirst());
        // 9.2 The derived output name shows in the output box while its
        //     file is converted.
        if (derive) {
            const QString output = DerivedOutputName(name);
            Outputname->setText(output);
            OutputPath = PathBytes(output);
        } else if (split) {
            OutputPath = "FAQ";  // the last file's pages renamed it
        }
        // 9.3
        QString inputPath = name;
        if (!folder.isEmpty()) {
            if (derive) OutputPath = PathBytes(JoinPath(folder, PathText(OutputPath)));
            inputPath = JoinPath(folder, name);
        }
        // 9.4 Title and stamp are read afresh for every file.
        std::string inputName = PathBytes(inputPath);
        std::string pageTitle = PageTitle->text().toUtf8().toStdString();
        bool timeStamp = TimeStamp->isChecked();
        StartProgress(QFileInfo(inputPath).fileName());
        try {
            converted = engine_.ConvertFile(inputName, OutputPath, pageTitle, mode, timeStamp);
        } catch (const std::exception& e) {
            // The input could not be opened: the batch ends here.
            converted = false;
            failure = QString::fromLocal8Bit(e.what());
        }
        // 9.5
        if (!converted || !engine_.Processing) break;
    }
    EndProgress();
    // 10. Writing the marker back empties OutputPath.
    if (derive) Outputname->setText(multiple);
    // 11.
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) Message(failure, MessageTitle);
    // 12.
    if (engine_.Processing && converted) Message(QStringLiteral("Complete"), MessageTitle);
    // 13.
    engine_.Processing = false;
    batch_running_ = false;
    if (end_requested_) RequestEnd();
}

}  // namespace torvex
