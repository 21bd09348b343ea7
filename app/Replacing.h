// SPDX-License-Identifier: MIT
// What the window checks before it writes a file the user chose: a file
// that is not a regular one (a FIFO would hold the window until something
// reads it) is refused; a read-only one is replaced only when the user says
// so, and is read-only again afterwards.
#pragma once

#include <QString>

#include <sys/types.h>

class QWidget;

class TReplaceGrant {
public:
    TReplaceGrant() = default;
    TReplaceGrant(const TReplaceGrant&) = delete;
    TReplaceGrant& operator=(const TReplaceGrant&) = delete;
    // Puts a read-only file back to read-only, replaced or not.
    ~TReplaceGrant();

    // Whether the file at path may be written: false after a refusal
    // (shown as failed, the reason in its details) or when the user would
    // keep a read-only file. A read-only file the user lets go is writable
    // until the grant ends.
    bool Ask(const QString& path, QWidget* owner, const QString& failed);

private:
    QByteArray m_path; // the read-only file made writable, or empty
    mode_t m_mode = 0;
};
