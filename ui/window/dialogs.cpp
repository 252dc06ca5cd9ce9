#include "dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace torvex {

void SetChosenFiles(CommonDialog& dialog, const QStringList& paths) {
    dialog.FileNames.clear();
    if (paths.isEmpty()) {
        dialog.FileName.clear();
        dialog.FileTitle.clear();
        return;
    }
    dialog.FileTitle = QFileInfo(paths.front()).fileName();
    if (paths.size() == 1) {
        dialog.FileName = paths.front();
        return;
    }
    dialog.FileName = QFileInfo(paths.front()).absolutePath();
    for (const QString& path : paths) dialog.FileNames.append(QFileInfo(path).fileName());
}

bool QtDialogs::ShowOpen(QWidget* parent, CommonDialog& dialog) { return Show(parent, dialog, false); }

bool QtDialogs::ShowSave(QWidget* parent, CommonDialog& dialog) { return Show(parent, dialog, true); }

bool QtDialogs::Show(QWidget* parent, CommonDialog& dialog, bool save) {
    QString& folder = save ? save_folder_ : open_folder_;
    QFileDialog box(parent, dialog.DialogTitle, folder, dialog.Filter);
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        box.setFileMode(QFileDialog::AnyFile);
    else if (dialog.MultiSelect)
        box.setFileMode(dialog.FileMustExist ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    else
        box.setFileMode(dialog.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    box.setDefaultSuffix(dialog.DefaultExt);
    box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.OverwritePrompt);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
    folder = box.directory().absolutePath();
    SetChosenFiles(dialog, box.selectedFiles());
    return true;
}

void QtDialogs::Message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // a file name such as "a<b>c.txt" is shown as it is
    box.exec();
}

bool QtDialogs::Question(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);  // replacing is the choice that cannot be undone
    return box.exec() == QMessageBox::Yes;
}

}  // namespace torvex
