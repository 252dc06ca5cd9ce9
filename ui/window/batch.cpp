// The OK command: turns what the window holds into one conversion request
// per chosen file and runs them one after the other.
#include <exception>
#include <map>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

#include "file_names.h"
#include "main_frm.h"
#include "product.h"

namespace torvex {

namespace {

QString JoinNames(const QStringList& names) {
    if (names.size() < 2) return names.join(QString());
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + names.back();
}

// Files of one batch that would write the same page, which the later one
// would overwrite: what to tell the user, or nothing. A split set always
// writes contents.html in the folder that all the chosen files share.
QString BatchClashes(const QStringList& names, bool derive, bool split) {
    std::map<QString, QStringList> byPage;
    for (const QString& name : names) {
        const QString file = TrimSpaces(name);
        if (split) byPage[QStringLiteral("contents.html")] << file;
        else if (derive) byPage[DerivedOutputName(file)] << file;
    }
    QStringList clashes;
    for (const auto& [page, files] : byPage)
        if (files.size() > 1)
            clashes << JoinNames(files) + (files.size() == 2 ? QStringLiteral(" would both be written to ")
                                                             : QStringLiteral(" would all be written to ")) +
                           page;
    if (clashes.isEmpty()) return {};
    return QStringLiteral("Nothing was converted: ") + clashes.join(QStringLiteral("; ")) + u'.';
}

}  // namespace

void MainFrm::ButtonOK_Click() {
    // The engine lets the window handle events while it runs, so OK (or
    // Enter) can arrive inside a batch: one batch at a time.
    if (batch_running_) return;
    const QString multiple = QString::fromUtf8(MultipleFiles);
    const QString appTitle = QString::fromUtf8(ProductName);

    // The input: the kept dialog selection, else the typed name. A name
    //    of spaces only names nothing.
    QString selection = CMDialog1.FileName;
    QStringList chosen = CMDialog1.FileNames;
    if (selection.isEmpty()) selection = Inputname->text();
    if (TrimSpaces(selection).isEmpty()) {
        Message(QStringLiteral("Input file name missing"), appTitle);
        return;
    }
    // The output: the kept path, else the typed name.
    if (OutputPath.empty()) OutputPath = PathBytes(Outputname->text());
    if (TrimSpaces(PathText(OutputPath)).isEmpty()) {
        Message(QStringLiteral("Output file name missing"), appTitle);
        return;
    }
    const std::string keptOutput = OutputPath;
    // Busy from here until the batch is over.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The line-break mode from the options.
    int mode = 0;
    if (Option1->isChecked()) mode = 1;
    if (Option2->isChecked()) mode = 2;
    if (Option3->isChecked()) mode = 3;
    // "FAQ" asks for split output; the output box keeps its text.
    const bool split = CheckFAQ->isChecked();
    if (split) OutputPath = "FAQ";
    // Several chosen files: a folder and the names in it.
    const QString folder = chosen.isEmpty() ? QString() : selection;
    QStringList remaining = chosen.isEmpty() ? QStringList{selection} : chosen;
    // Each file gets an output name derived from its own name when the
    //    output says so, and for every file of a multiple selection that is
    //    not split (one output name cannot serve several files).
    const bool derive = OutputPath == MultipleFiles || (!folder.isEmpty() && !split);
    // Two files that would write one page: the batch would lose the first.
    if (const QString clashes = BatchClashes(remaining, derive, split); !clashes.isEmpty()) {
        OutputPath = keptOutput;
        QApplication::restoreOverrideCursor();
        Message(clashes, appTitle);
        return;
    }
    // The batch is under way: Cancel and Close can now stop it.
    engine_.Processing = true;
    batch_running_ = true;

    bool converted = false;
    QString failure;
    // One file after the other.
    while (!remaining.isEmpty()) {
        // The file's name, without surrounding spaces.
        const QString name = TrimSpaces(remaining.takeFirst());
        // The derived output name shows in the output box while its
        //     file is converted.
        if (derive) {
            const QString output = DerivedOutputName(name);
            Outputname->setText(output);
            OutputPath = PathBytes(output);
        } else if (split) {
            OutputPath = "FAQ";  // the last file's pages renamed it
        }
        // A multiple selection names its files within its folder.
        QString inputPath = name;
        if (!folder.isEmpty()) {
            if (derive) OutputPath = PathBytes(JoinPath(folder, PathText(OutputPath)));
            inputPath = JoinPath(folder, name);
        }
        // Title and stamp are read afresh for every file.
        std::string inputName = PathBytes(inputPath);
        std::string pageTitle = PageTitle->text().toUtf8().toStdString();
        bool timeStamp = TimeStamp->isChecked();
        StartProgress(QFileInfo(inputPath).fileName());
        // The engine keeps using this name for the page it writes while the
        // window handles events: give it a copy that no edit of the output
        // box can change underneath it, and keep what it leaves there.
        std::string outputName = OutputPath;
        try {
            converted = engine_.ConvertFile(inputName, outputName, pageTitle, mode, timeStamp);
            OutputPath = outputName;
        } catch (const std::exception& e) {
            // The input could not be opened: the batch ends here.
            converted = false;
            failure = QString::fromLocal8Bit(e.what());
        }
        // A failure or a stop ends the batch.
        if (!converted || !engine_.Processing) break;
    }
    EndProgress();
    // Writing the marker back empties OutputPath.
    if (derive) Outputname->setText(multiple);
    // The arrow pointer is back before any message.
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) Message(failure, MessageTitle);
    // "Complete" only for a batch that ran to its end.
    if (engine_.Processing && converted) Message(QStringLiteral("Complete"), MessageTitle);
    // At rest again.
    engine_.Processing = false;
    batch_running_ = false;
    if (end_requested_) RequestEnd();
}

}  // namespace torvex
