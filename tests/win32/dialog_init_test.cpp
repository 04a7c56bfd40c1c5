// The dialog-init data of a template (resource type 240) as the framework applies it before the
// first exchange, on templates of this test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/window.h"

namespace framework {
namespace {

constexpr int kFirstList = 10;
constexpr int kSecondList = 11;

std::vector<std::string> Entries(HWND dialog, int id) {
    const ComboBox list(GetDlgItem(dialog, id));
    std::vector<std::string> entries;
    for (int i = 0; i < list.Count(); ++i) entries.push_back(list.ItemText(i));
    return entries;
}

// Records, in its exchange, that the entries were there before the first exchange.
class ListsDialog : public Dialog {
  public:
    explicit ListsDialog(int templateId) : Dialog(templateId) {}
    int entriesAtFirstExchange = -1;

  protected:
    void DoDataExchange(DataExchange&) override {
        if (entriesAtFirstExchange < 0) {
            entriesAtFirstExchange = ComboBox(GetDlgItem(Handle(), kFirstList)).Count();
        }
    }
};

TEST(DialogInit, AddsEveryRecordToItsListInOrderBeforeTheFirstExchange) {
    ListsDialog dialog(900);
    ASSERT_TRUE(dialog.CreateModeless());
    EXPECT_EQ(Entries(dialog.Handle(), kFirstList), (std::vector<std::string>{"one", "two", ""}));
    EXPECT_EQ(Entries(dialog.Handle(), kSecondList), std::vector<std::string>{"alpha"});
    EXPECT_EQ(dialog.entriesAtFirstExchange, 3);
    EXPECT_FALSE(dialog.EndResult().has_value());
}

TEST(DialogInit, ATemplateWithoutDataOpensWithEmptyLists) {
    ListsDialog dialog(903);
    ASSERT_TRUE(dialog.CreateModeless());
    EXPECT_TRUE(Entries(dialog.Handle(), kFirstList).empty());
    EXPECT_FALSE(dialog.EndResult().has_value());
}

TEST(DialogInit, DataThatCannotBeAppliedEndsTheDialogAtOnceWithMinusOne) {
    for (const int templateId : {901, 902}) {
        SCOPED_TRACE(templateId);
        ListsDialog dialog(templateId);
        EXPECT_EQ(dialog.DoModal(), -1);
        EXPECT_EQ(dialog.entriesAtFirstExchange, -1);  // no exchange ran
    }
}

}  // namespace
}  // namespace framework
