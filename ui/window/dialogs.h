// The window's file dialogs, message boxes and the desktop's browser, behind
// one small interface so that the rules of the window can be driven without
// a person at the screen.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QUrl;
class QWidget;

namespace torvex {

// One file dialog with its settings and its last result; the window keeps
// one for the input and one for the output, and a dialog the user cancels
// leaves its last result as it was.
struct CommonDialog {
    // Settings.
    QString DialogTitle;
    QString Filter;      // in the toolkit's form: "Text (*.txt);;All files (*)"
    QString DefaultExt;  // without its dot: "txt"
    QString InitDir;     // the folder it opens in (empty: the current one)
    bool MultiSelect = false;
    bool FileMustExist = false;
    bool OverwritePrompt = false;

    // Result. One chosen file: FileName is its full path and FileNames is
    // empty. Several chosen files: FileName is the folder that holds them
    // and FileNames their paths from there (their names, when they come
    // from one folder, as a dialog gives them).
    QString FileName;
    QStringList FileNames;
    QString FileTitle;  // the (first) chosen file's name without its folder
};

// Stores absolute paths, chosen in a dialog or dropped on the window, as a
// dialog's result (see CommonDialog).
void SetChosenFiles(CommonDialog& dialog, const QStringList& paths);

// What the user did with the message that a batch is complete.
enum class CompleteChoice { Ok, OpenPage, ShowFolder };

// A toolkit file dialog set up as dialog says (not yet shown).
void SetUpFileDialog(QFileDialog& box, const CommonDialog& dialog, bool save);

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal open and save dialogs with dialog's settings. True when the user
    // chose; then dialog holds the result. False when the user cancelled.
    virtual bool ShowOpen(QWidget* parent, CommonDialog& dialog) = 0;
    virtual bool ShowSave(QWidget* parent, CommonDialog& dialog) = 0;
    // A modal message box with an OK button only and no icon.
    virtual void Message(QWidget* parent, const QString& text, const QString& title) = 0;
    // A modal question with Yes and No buttons; true for Yes.
    virtual bool Question(QWidget* parent, const QString& text, const QString& title) = 0;
    // The message that a batch is complete: OK (the default), "Open Page"
    // when offerPage, and "Show Folder"; details, if any, shown on request.
    virtual CompleteChoice Completed(QWidget* parent, const QString& text, const QString& title,
                                     const QString& details, bool offerPage) = 0;
    // Shows a page in the desktop's browser, or a folder in its file manager.
    virtual void OpenUrl(const QUrl& url) = 0;
};

// The real thing: the toolkit's file dialogs and message boxes.
class QtDialogs : public Dialogs {
public:
    bool ShowOpen(QWidget* parent, CommonDialog& dialog) override;
    bool ShowSave(QWidget* parent, CommonDialog& dialog) override;
    void Message(QWidget* parent, const QString& text, const QString& title) override;
    bool Question(QWidget* parent, const QString& text, const QString& title) override;
    CompleteChoice Completed(QWidget* parent, const QString& text, const QString& title, const QString& details,
                             bool offerPage) override;
    void OpenUrl(const QUrl& url) override;

private:
    bool Show(QWidget* parent, CommonDialog& dialog, bool save);
};

}  // namespace torvex
