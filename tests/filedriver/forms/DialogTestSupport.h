#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "ConstUnit_Program.h"
#include "IniFile.h"
#include "MessageDlg.h"
#include "StrResUnit.h"
#include "TestFolder.h"

// A test of one dialog: fresh settings and messages, an empty language file in a folder of its
// own, and every message box answered and recorded instead of shown.
class DialogTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetSettings();
        ResetLngMessages();
        lng_ = Path("Ostrelin.Lng");
        Put(lng_, "");
    }
    void TearDown() override {
        ResetSettings();
        ResetLngMessages();
        TestFolder::TearDown();
    }

    // The keys that the dialogs wrote into the language file's section.
    std::vector<std::string> Keys(const std::string& Section) const {
        return platform::TIniFile(lng_).ReadSection(Section);
    }
    std::string Stored(const std::string& Section, const std::string& Key) const {
        return platform::TIniFile(lng_).ReadString(Section, Key, "<missing>");
    }

    template <class TWidget>
    static TWidget* Child(QWidget& Form, const char* Name) {
        auto* child = Form.findChild<TWidget*>(QString::fromLatin1(Name));
        EXPECT_NE(child, nullptr) << Name;
        return child;
    }

    // Runs Answer on the next modal dialog of type TDialog once its event loop runs.
    template <class TDialog>
    static void AnswerNextModal(std::function<void(TDialog&)> Answer) {
        QTimer::singleShot(0, [Answer] {
            auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            Answer(*dialog);
        });
    }

    std::string lng_;
    std::vector<TMessageDlgRequest> boxes_;
    TScopedMessageDlgHandler answer_{[this](const TMessageDlgRequest& r) { boxes_.push_back(r); }};
};

inline bool Contains(const std::vector<std::string>& Keys, const std::string& Key) {
    for (const std::string& k : Keys) {
        if (k == Key) {
            return true;
        }
    }
    return false;
}
