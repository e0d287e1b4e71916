#include "StrResUnit.h"

#include <gtest/gtest.h>

#include "IniFile.h"
#include "TestFolder.h"

namespace {

const std::string kGreshka = "\xC3\xF0\xE5\xF8\xEA\xE0";  // "Грешка" in Windows-1251

class StrResUnitTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetLngMessages();
        lng_ = Path("Ostrelin.Lng");
    }
    void TearDown() override {
        ResetLngMessages();
        TestFolder::TearDown();
    }
    std::string lng_;
};

TEST(LngText, EncodeAndDecode) {
    const struct {
        std::string text, stored;
    } rows[] = {
        {"one line", "one line"},
        {"two\r\nlines", "two|lines"},
        {"three\r\nshort\r\nlines", "three|short|lines"},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        EXPECT_EQ(EncodeLngText(row.text), row.stored);
        EXPECT_EQ(DecodeLngText(row.stored), row.text);
    }
    EXPECT_EQ(EncodeLngText("lone\nfeed\rreturn"), "lonefeed|return");
}

TEST_F(StrResUnitTest, MissingFileIsNeverCreated) {
    EXPECT_FALSE(LoadLngMessages(lng_));
    TFormDesc form{{"SettingsForm", TComponentKind::Form, "Settings", "", false, {}}, {}};
    EXPECT_FALSE(TranslateForm(lng_, form));
    EXPECT_FALSE(std::filesystem::exists(lng_));
    EXPECT_EQ(LngMessages().S_Error, kGreshka);
}

TEST_F(StrResUnitTest, EmptyFileGainsEveryMessageInTableOrder) {
    Put(lng_, "");
    ASSERT_TRUE(LoadLngMessages(lng_));
    const std::vector<std::string> keys = platform::TIniFile(lng_).ReadSection("Messages");
    ASSERT_EQ(keys.size(), 51u);
    EXPECT_EQ(keys.front(), "S_PRNFatalError");
    EXPECT_EQ(keys[28], "Cm_Please_Wait");
    EXPECT_EQ(keys[49], "S_Error");
    EXPECT_EQ(keys.back(), "S_UnsettledFile");
    const std::string bytes = Get(lng_);
    EXPECT_EQ(bytes.rfind("[Messages]\r\nS_PRNFatalError=", 0), 0u);
    EXPECT_NE(bytes.find("\r\nS_Error=" + kGreshka + "\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\xD0"), std::string::npos) << "UTF-8 leaked into the file";
    EXPECT_EQ(LngMessages().S_Error, kGreshka);
}

TEST_F(StrResUnitTest, StoredTextsReplaceBuiltInOnesAndMissingKeysAreAppended) {
    Put(lng_,
        "; translated\n"
        "[Messages]\n"
        "S_Error=Error\n"
        "S_HintOK=\n"
        "s_prnfatalerror=No printer|Check the cable|Or call us\n"
        "[Other]\n"
        "kept=1\n");
    ASSERT_TRUE(LoadLngMessages(lng_));
    const TLngMessages& m = LngMessages();
    EXPECT_EQ(m.S_Error, "Error");
    EXPECT_EQ(m.S_PRNFatalError, "No printer\r\nCheck the cable\r\nOr call us");
    EXPECT_NE(m.S_HintOK, "");  // an empty value keeps the built-in text ...

    platform::TIniFile file(lng_);
    EXPECT_EQ(file.ReadString("Messages", "S_HintOK", ""), m.S_HintOK);  // ... and stores it
    const std::vector<std::string> keys = file.ReadSection("Messages");
    ASSERT_EQ(keys.size(), 51u);
    EXPECT_EQ(keys[0], "S_Error");
    EXPECT_EQ(keys[2], "s_prnfatalerror");
    EXPECT_EQ(keys[3], "S_StoppedByUser");
    EXPECT_EQ(keys.back(), "S_UnsettledFile");
    EXPECT_EQ(Get(lng_).rfind("; translated\n[Messages]\nS_Error=Error\n", 0), 0u);
    EXPECT_NE(Get(lng_).find("\n[Other]\nkept=1\n"), std::string::npos);

    ResetLngMessages();
    EXPECT_EQ(LngMessages().S_Error, kGreshka);
}

TEST_F(StrResUnitTest, TranslatesADescribedForm) {
    Put(lng_,
        "[SettingsForm]\n"
        "SettingsForm=Options\n"
        "btnOK=Ok|now\n"
        "cmbKind.Itm1=Second\n"
        "lblComError=never shown\n");
    using K = TComponentKind;
    TFormDesc form{{"SettingsForm", K::Form, "Settings", "form hint", true, {}},
                   {
                       {"btnOK", K::Button, "OK", "press", false, {}},
                       {"lblTwoLines", K::Label, "first\r\nsecond", "label hint", true, {}},
                       {"pEmpty", K::Panel, "", "panel hint", true, {}},
                       {"mnuSep", K::MenuItem, "-", "", false, {}},
                       {"mnuExit", K::MenuItem, "Exit", "leave", false, {}},
                       {"cmbKind", K::ComboBox, "", "", false, {"First", "", "Third"}},
                       {"grdDeps", K::RxDBGrid, "", "", false, {"Nom", "Name"}},
                       {"eFileExt", K::Edit, "", "extension", true, {}},
                       {"lblComError", K::Label, "COM error", "", false, {}},
                       {"tmrFiles", K::Other, "timer", "", false, {}},
                   }};
    ASSERT_TRUE(TranslateForm(lng_, form));

    EXPECT_EQ(form.Form.Caption, "Options");
    EXPECT_EQ(form.Components[0].Caption, "Ok\r\nnow");
    EXPECT_EQ(form.Components[5].Items, (std::vector<std::string>{"First", "Second", "Third"}));
    EXPECT_EQ(form.Components[8].Caption, "COM error");

    platform::TIniFile file(lng_);
    EXPECT_EQ(file.ReadSection("SettingsForm"),
              (std::vector<std::string>{"SettingsForm", "btnOK", "cmbKind.Itm1", "lblComError",
                                        "lblTwoLines", "lblTwoLines.Hint", "pEmpty.Hint", "mnuExit",
                                        "mnuExit.Hint", "cmbKind.Itm0", "cmbKind.Itm2",
                                        "grdDeps.Col0", "grdDeps.Col1", "eFileExt.Hint"}));
    EXPECT_EQ(file.ReadString("SettingsForm", "lblTwoLines", ""), "first|second");
    EXPECT_TRUE(file.ValueExists("SettingsForm", "cmbKind.Itm1"));
    EXPECT_EQ(file.ReadString("SettingsForm", "cmbKind.Itm2", ""), "Third");

    // A second translation reads the texts back and changes nothing in the file.
    const std::string before = Get(lng_);
    form.Components[1].Caption = "changed";
    ASSERT_TRUE(TranslateForm(lng_, form));
    EXPECT_EQ(form.Components[1].Caption, "first\r\nsecond");
    EXPECT_EQ(Get(lng_), before);
}

TEST_F(StrResUnitTest, EmptyComboItemKeepsAnEmptyKey) {
    Put(lng_, "");
    TFormDesc form{{"frmX", TComponentKind::Form, "", "", false, {}},
                   {{"cmb", TComponentKind::ComboBox, "", "", false, {""}}}};
    ASSERT_TRUE(TranslateForm(lng_, form));
    EXPECT_EQ(Get(lng_), "[frmX]\r\ncmb.Itm0=\r\n");
}

}  // namespace
