// SPDX-License-Identifier: MIT
#include "Replacing.h"

#include "Messagebox.h"
#include "Qtstrings.h"
#include "sys/Replace.h"

#include <QCoreApplication>

#include <sys/stat.h>

TReplaceGrant::~TReplaceGrant()
{
    // The new file took the old one's bits, write permission included.
    if (!m_path.isEmpty())
        chmod(m_path.constData(), m_mode);
}

bool TReplaceGrant::Ask(const QString& path, QWidget* owner, const QString& failed)
{
    const std::string file = ToPath(path);
    struct stat info {};
    if (stat(file.c_str(), &info) != 0)
        return true; // a new file
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        ShowError(failed, owner, path + QStringLiteral(": not a regular file"));
        return false;
    }
    if (!S_ISREG(info.st_mode) || !varimel::IsReadOnlyFile(file))
        return true;
    if (!AskYesNo(QCoreApplication::translate("Replacing", "読み取り専用のファイルです。置き換えますか？"), owner))
        return false;
    if (chmod(file.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0) {
        m_path = QByteArray::fromStdString(file);
        m_mode = info.st_mode & 07777;
    }
    return true;
}
