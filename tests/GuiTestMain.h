// SPDX-License-Identifier: MIT
// Shared by the window tests: a recorder for the message boxes, and the one
// fixture every window test starts from.
#pragma once

#include "Main.h"
#include "Messagebox.h"
#include "Seams.h"
#include "TestUtil.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct ShownMessage {
    MessageKind kind;
    QString text;
    QWidget* owner;
    QString details;
};

// Records every box instead of showing it, for as long as it lives; a
// question is recorded and gets the answer set here (No until told).
class MessageRecorder {
public:
    MessageRecorder()
    {
        SetMessageHook([this](MessageKind k, const QString& t, QWidget* o, const QString& d) {
            shown.push_back({k, t, o, d});
        });
        SetQuestionHook([this](const QString& t, QWidget*) {
            asked.push_back(t);
            return answer;
        });
    }
    ~MessageRecorder()
    {
        SetMessageHook({});
        SetQuestionHook({});
    }
    std::vector<ShownMessage> shown;
    std::vector<QString> asked;
    bool answer = false;
};

// A window test: its own home, settings folder and temporary folder, every
// seam back to the real thing before and after, boxes recorded. The window
// is made by Start(), so a test may write the settings file first.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        seams::Reset();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir / "config"));
        qputenv("HOME", QByteArray::fromStdString(dir.Path()));
        savedTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QByteArray::fromStdString(dir.Path()));
        std::filesystem::create_directories(dir / "config/Korvath/Varimel");
    }
    void TearDown() override
    {
        form.reset();
        seams::Reset();
        if (savedTmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmp);
    }
    void Start() { form = std::make_unique<TMainForm>(); }
    template <typename T> T* Get(const char* name) const
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    testutil::TempDir dir;
    QByteArray savedTmp;
    MessageRecorder boxes;
    std::unique_ptr<TMainForm> form;
};
