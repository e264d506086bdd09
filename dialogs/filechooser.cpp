// The Open and Save dialogs for puzzle files.
#include "dialogs/dialogs.h"
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

QString ChooseTextFile(QWidget* owner, bool save, const QString& proposed, bool overwritePrompt) {
    QFileDialog dialog(owner, save ? "Save Puzzle" : "Open Puzzle(s)");
    dialog.setNameFilter("Text (*.txt)");
    dialog.setDefaultSuffix("txt");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Saving over the file already open asks for the name again but does not ask to replace.
    if (!overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QFileInfo start(proposed);
    if (proposed.isEmpty() || !start.isAbsolute()) {
        dialog.setDirectory(DocumentsFolder());
        if (!proposed.isEmpty()) dialog.selectFile(proposed);
    } else {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}
