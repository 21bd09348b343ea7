// SPDX-License-Identifier: MIT
#include "Filedialog.h"

#include <QFileDialog>

QString AskForFile(QWidget* parent, const QString& folder, bool save, const QStringList& filters, const QString& suffix,
                   QString* chosenFilter, const QString& title)
{
    QFileDialog dialog(parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}
