// The OK command: turns what the window holds into one conversion request
// per chosen file and runs them one after the other through the batch
// driver, on the window's own thread.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "batch_driver.h"
#include "file_names.h"
#include "main_frm.h"
#include "page_names.h"
#include "product.h"

namespace torvex {

// The window's part in its batch: the output box and the progress row show
// the file in hand, the title and stamp are read afresh for every file, and
// OutputPath keeps what the engine leaves in it.
class WindowBatch : public BatchListener {
public:
    // shown: what the output box shows for each file, or nothing to leave it.
    WindowBatch(MainFrm& frm, const std::vector<BatchFile>& files, std::vector<std::string> shown)
        : frm_(frm), files_(files), shown_(std::move(shown)) {}

    void Starting(size_t index, ConversionOptions& options) override {
        if (!shown_.empty()) frm_.Outputname->setText(PathText(shown_[index]));
        options.title = frm_.PageTitle->text().toUtf8().toStdString();
        options.time_stamp = frm_.TimeStamp->isChecked();
        frm_.StartProgress(PathText(FileNameOf(files_[index].input)));
    }

    void Finished(size_t, const FileOutcome& outcome) override {
        frm_.OutputPath = outcome.output;
        // Why a file failed is told once the batch is over and the pointer is back.
        if (!outcome.messages.empty()) failure = QString::fromLocal8Bit(outcome.messages.back());
    }

    QString failure;

private:
    MainFrm& frm_;
    const std::vector<BatchFile>& files_;
    const std::vector<std::string> shown_;
};

namespace {

// What to tell the user about files of one batch that must not be
// converted together; a page is called by its own name.
QString ClashMessage(std::vector<BatchClash> clashes, const std::vector<std::string>& names) {
    QStringList problems;
    for (BatchClash& clash : clashes) {
        clash.page = FileNameOf(clash.page);
        problems << PathText(DescribeClash(clash, names));
    }
    return QStringLiteral("Nothing was converted: ") + problems.join(QStringLiteral("; ")) + u'.';
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
    // Busy from here until the batch is over.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The line-break mode from the options; with none chosen, breaks are added.
    ConversionOptions options;
    if (Option1->isChecked()) options.line_break_mode = TORVEX_LINE_BREAKS_KEEP;
    if (Option2->isChecked()) options.line_break_mode = TORVEX_LINE_BREAKS_ADD;
    if (Option3->isChecked()) options.line_break_mode = TORVEX_LINE_BREAKS_NONE;
    // Split output; the output box keeps its text.
    options.split = CheckFAQ->isChecked();
    // Several chosen files: a folder and the names in it.
    const std::string folder = chosen.isEmpty() ? std::string() : PathBytes(selection);
    const QStringList remaining = chosen.isEmpty() ? QStringList{selection} : chosen;
    // Each file gets an output name derived from its own name when the
    //    output says so, and for every file of a multiple selection that is
    //    not split (one output name cannot serve several files).
    const bool derive = !options.split && (OutputPath == MultipleFiles || !folder.empty());
    // Each file in its folder, with its page.
    std::vector<BatchFile> files;
    std::vector<std::string> names, shown;
    for (const QString& entry : remaining) {
        const std::string name = PathBytes(TrimSpaces(entry));
        shown.push_back(DerivedPageName(name));
        files.push_back({JoinPath(folder, name), derive ? JoinPath(folder, shown.back()) : OutputPath});
        names.push_back(name);
    }
    BatchDriver batch(files, options);
    // Two files that would write one page, or a page that is one of the
    // files: the batch would lose one of them.
    if (const auto clashes = batch.Check(); !clashes.empty()) {
        QApplication::restoreOverrideCursor();
        Message(ClashMessage(clashes, names), appTitle);
        return;
    }
    // The batch is under way: Cancel and Close can now stop it.
    Processing = true;
    batch_running_ = true;
    WindowBatch window(*this, files, derive ? std::move(shown) : std::vector<std::string>());
    // One file after the other; a failure or a stop ends the batch.
    const BatchSummary summary = batch.Run(host_, window);
    EndProgress();
    // Writing the marker back empties OutputPath.
    if (derive) Outputname->setText(multiple);
    // The arrow pointer is back before any message.
    QApplication::restoreOverrideCursor();
    if (!window.failure.isEmpty()) Message(window.failure, MessageTitle);
    // "Complete" only for a batch that ran to its end.
    if (Processing && summary.failed == 0) Message(QStringLiteral("Complete"), MessageTitle);
    // At rest again.
    Processing = false;
    batch_running_ = false;
    if (end_requested_) RequestEnd();
}

}  // namespace torvex
