// The window's file dialogs and message boxes, behind one small interface so
// that the rules of the window can be driven without a person at the screen.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace torvex {

// One file dialog with its settings and its last result; the window keeps
// one for the input and one for the output, and a dialog the user cancels
// leaves its last result as it was.
struct CommonDialog {
    // Settings.
    QString DialogTitle;
    QString Filter;      // in the toolkit's form: "Text (*.txt)"
    QString DefaultExt;  // without its dot: "txt"
    bool MultiSelect = false;
    bool FileMustExist = false;
    bool OverwritePrompt = false;

    // Result. One chosen file: FileName is its full path and FileNames is
    // empty. Several chosen files: FileName is their folder and FileNames
    // holds their names in it.
    QString FileName;
    QStringList FileNames;
    QString FileTitle;  // the (first) chosen file's name without its folder
};

// Stores the paths a dialog returned as its result (see CommonDialog).
// Several paths are all in one folder, as a dialog gives them.
void SetChosenFiles(CommonDialog& dialog, const QStringList& paths);

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
};

// The real thing: the toolkit's file dialogs and message boxes.
class QtDialogs : public Dialogs {
public:
    bool ShowOpen(QWidget* parent, CommonDialog& dialog) override;
    bool ShowSave(QWidget* parent, CommonDialog& dialog) override;
    void Message(QWidget* parent, const QString& text, const QString& title) override;
    bool Question(QWidget* parent, const QString& text, const QString& title) override;

private:
    bool Show(QWidget* parent, CommonDialog& dialog, bool save);
    // The folder each dialog showed last, so that the next use starts there.
    QString open_folder_, save_folder_;
};

}  // namespace torvex
