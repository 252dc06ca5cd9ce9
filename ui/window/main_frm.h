// MainFrm, the main window: gathers a conversion request (input files,
// output name, title, options), runs it as a batch with OK, stops it with
// Cancel, ends the program with Close and opens the About box. Its options,
// folder, size and place are kept from one run to the next.
#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QString>

#include "batch_driver.h"
#include "dialogs.h"
#include "window_host.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace torvex {

class AboutFrm;
class WindowBatch;

// Shown in the input and output boxes for a multiple selection and for
// output names derived from each input's name.
inline constexpr const char* MultipleFiles = "(multiple files)";

// Why a window is about to close.
enum class UnloadMode { CloseBox, Program };

// What OK converts: each file with its page.
struct BatchPlan {
    std::string folder;              // of a multiple selection; empty for one file
    std::vector<BatchFile> files;
    std::vector<std::string> names;  // as chosen or typed, for messages
    std::vector<std::string> shown;  // the page names derived from them, or nothing
};

// Where the window keeps its settings between runs.
inline constexpr const char* SettingsOrganization = "torvex";
inline constexpr const char* SettingsApplication = "torvex";

// A dialog, not a main window, so that Enter and Esc reach OK and Close as
// the default and cancel buttons.
class MainFrm : public QDialog {
    Q_OBJECT

public:
    explicit MainFrm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~MainFrm() override;

    // State kept between commands. OutputPath: the output path that OK uses
    // when it is not empty, in the system's encoding (the engine may rewrite
    // it). CMDialog1's result is the kept input selection.
    std::string OutputPath;
    CommonDialog CMDialog1;
    CommonDialog CMDialog2;
    QString MessageTitle;
    // True while a batch runs; Cancel and Close clear it to stop the
    // conversion in hand after its current line.
    bool Processing = false;

    bool BatchRunning() const { return batch_running_; }

    // Takes files named on the command line or dropped on the window as if
    // chosen in the input dialog.
    void OpenFiles(const QStringList& paths);
    // The folder the input dialog opens in: where the last input was chosen.
    QString LastFolder;

signals:
    // The program is to end: the window was closed, by the user or by Close.
    // During a batch it comes once the batch has stopped.
    void EndProgram();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The name boxes' tooltips, made when asked for.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Outputname_Change();
    void Inputname_Edited();
    void ButtonInput_Click();
    void ButtonOutput_Click();
    void CheckFAQ_Click();
    void ButtonOK_Click();
    void ButtonCancel_Click();
    void ButtonClose_Click();
    void ButtonReg_Click();

private:
    friend class WindowBatch;  // shows the file in hand, reads the title and stamp

    void BuildControls();
    void Form_Load();
    void Form_QueryUnload(UnloadMode mode);
    void RequestEnd();
    void SaveSettings();
    void Message(const QString& text, const QString& title);
    // A kept multiple selection is forgotten, with both boxes, before
    // another input is chosen.
    void ForgetMultipleSelection();
    // Shows the input just chosen (CMDialog1's result) and the page it goes to.
    void ShowChosenInput();
    // The input OK reads: the kept selection, else the typed name.
    QString Selection() const;
    BatchPlan PlanBatch(const QString& selection, const std::string& output, bool split) const;
    // The full paths of the inputs, and of the pages they go to.
    QString InputToolTip() const;
    QString OutputToolTip() const;
    // "Complete", with the remarks of the batch, and the page and folder to open.
    void Completed(const BatchPlan& plan, bool split, const QString& remarks);
    // The progress row beside the buttons: shown during a batch only.
    void StartProgress(const QString& fileName);
    void ShowProgress(unsigned long long done, unsigned long long total);
    void EndProgress();

    QLabel* Picture1;
    QLabel* Title;
    QLabel* Label4;
    QLineEdit* Inputname;
    QPushButton* ButtonInput;
    QLabel* Label5;
    QLineEdit* Outputname;
    QPushButton* ButtonOutput;
    QCheckBox* CheckFAQ;
    QGroupBox* Frame2;
    QRadioButton* Option2;
    QRadioButton* Option1;
    QRadioButton* Option3;
    QGroupBox* Frame3;
    QRadioButton* Option4;
    QRadioButton* Option5;
    QCheckBox* TimeStamp;
    QLabel* Label3;
    QLineEdit* PageTitle;
    QLabel* ProgressFile;
    QProgressBar* ProgressBar;
    QPushButton* ButtonOK;
    QPushButton* ButtonClose;
    QPushButton* ButtonCancel;
    QPushButton* ButtonReg;

    Dialogs& dialogs_;
    WindowHost host_;
    QPointer<AboutFrm> About;
    bool batch_running_ = false;
    bool end_requested_ = false;
};

}  // namespace torvex
