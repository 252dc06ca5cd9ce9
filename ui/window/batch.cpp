// The OK command: turns what the window holds into one conversion request
// per chosen file and runs them one after the other through the batch
// driver, on the window's own thread.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QUrl>

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
    // The output box shows plan.shown for each file, or is left alone.
    WindowBatch(MainFrm& frm, const BatchPlan& plan) : frm_(frm), plan_(plan) {}

    void Starting(size_t index, ConversionOptions& options) override {
        if (!plan_.shown.empty()) frm_.Outputname->setText(PathText(plan_.shown[index]));
        options.title = frm_.PageTitle->text().toUtf8().toStdString();
        options.time_stamp = frm_.TimeStamp->isChecked();
        frm_.StartProgress(PathText(FileNameOf(plan_.files[index].input)));
        first_remark_ = frm_.host_.remarks.size();
    }

    void Finished(size_t index, const FileOutcome& outcome) override {
        frm_.OutputPath = outcome.output;
        // Why a file failed is told once the batch is over and the pointer is back.
        if (!outcome.messages.empty()) failure = QString::fromLocal8Bit(outcome.messages.back());
        // Among several files, a remark says which one it is about.
        const std::vector<std::string>& remarks = frm_.host_.remarks;
        const std::string name = plan_.files.size() > 1 ? plan_.names[index] + ": " : std::string();
        for (size_t k = first_remark_; k < remarks.size(); ++k)
            this->remarks << QString::fromLocal8Bit(name + remarks[k]);
    }

    QString failure;
    QStringList remarks;

private:
    MainFrm& frm_;
    const BatchPlan& plan_;
    size_t first_remark_ = 0;
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

// A multiple selection is a folder and the names in it. Each file gets a
// page named after it when the output says so, and every file of a multiple
// selection that is not split (one output name cannot serve several files).
BatchPlan MainFrm::PlanBatch(const QString& selection, const std::string& output, bool split) const {
    const QStringList& chosen = CMDialog1.FileNames;
    BatchPlan plan;
    plan.folder = chosen.isEmpty() ? std::string() : PathBytes(selection);
    const bool derive = !split && (output == MultipleFiles || !plan.folder.empty());
    for (const QString& entry : chosen.isEmpty() ? QStringList{selection} : chosen) {
        const std::string name = PathBytes(TrimSpaces(entry));
        const std::string page = DerivedPageName(name);
        plan.files.push_back({JoinPath(plan.folder, name), derive ? JoinPath(plan.folder, page) : output});
        plan.names.push_back(name);
        if (derive) plan.shown.push_back(page);
    }
    return plan;
}

// One page, or one set (opened at its contents page), may be opened; the
// pages of several files are all below the selection's folder.
void MainFrm::Completed(const BatchPlan& plan, bool split, const QString& remarks) {
    const bool one = plan.files.size() == 1;
    const QString page = PagePath(plan.files.front().input, plan.files.front().output, split);
    const QString folder = one ? QFileInfo(page).absolutePath() : AbsolutePath(plan.folder);
    switch (dialogs_.Completed(this, QStringLiteral("Complete"), MessageTitle, remarks, one)) {
    case CompleteChoice::OpenPage:
        dialogs_.OpenUrl(QUrl::fromLocalFile(page));
        break;
    case CompleteChoice::ShowFolder:
        dialogs_.OpenUrl(QUrl::fromLocalFile(folder));
        break;
    case CompleteChoice::Ok:
        break;
    }
}

void MainFrm::ButtonOK_Click() {
    // The engine lets the window handle events while it runs, so OK (or
    // Enter) can arrive inside a batch: one batch at a time.
    if (batch_running_) return;
    const QString multiple = QString::fromUtf8(MultipleFiles);
    const QString appTitle = QString::fromUtf8(ProductName);

    // The input: the kept dialog selection, else the typed name. A name
    //    of spaces only names nothing.
    const QString selection = Selection();
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
    if (Option5->isChecked()) options.style = TORVEX_STYLE_MODERN;
    // Split output; the output box keeps its text.
    options.split = CheckFAQ->isChecked();
    // Each file in its folder, with its page.
    const BatchPlan plan = PlanBatch(selection, OutputPath, options.split);
    BatchDriver batch(plan.files, options);
    // Two files that would write one page, or a page that is one of the
    // files: the batch would lose one of them.
    if (const auto clashes = batch.Check(); !clashes.empty()) {
        QApplication::restoreOverrideCursor();
        Message(ClashMessage(clashes, plan.names), appTitle);
        return;
    }
    // The batch is under way: Cancel and Close can now stop it.
    Processing = true;
    batch_running_ = true;
    host_.remarks.clear();
    WindowBatch window(*this, plan);
    // One file after the other; a failure or a stop ends the batch.
    const BatchSummary summary = batch.Run(host_, window);
    EndProgress();
    // Writing the marker back empties OutputPath.
    if (!plan.shown.empty()) Outputname->setText(multiple);
    // The arrow pointer is back before any message.
    QApplication::restoreOverrideCursor();
    if (!window.failure.isEmpty()) Message(window.failure, MessageTitle);
    // "Complete" only for a batch that ran to its end.
    if (Processing && summary.failed == 0) Completed(plan, options.split, window.remarks.join(u'\n'));
    // At rest again.
    Processing = false;
    batch_running_ = false;
    if (end_requested_) RequestEnd();
}

}  // namespace torvex
