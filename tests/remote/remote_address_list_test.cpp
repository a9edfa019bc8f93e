#include "remote/remote_address_list.h"

#include <gtest/gtest.h>

#include "remote/update_page.h"

namespace lumo::remote {
namespace {

TEST(RemoteAddressList, MarkersDecideWhatIsRead) {
    // Adjacent markers give the empty value.
    EXPECT_EQ(RemoteAddressList::Parse("x]~jkdz2jkdz2~[y").at("jkdz2"), "");
    // The forum host closes with "zhudizi~[": the full key does not close it...
    EXPECT_EQ(RemoteAddressList::Parse("]~zhuludiziforum.example:81zhuludizi~[").at("zhuludizi"), "");
    // ...unless the short end marker follows somewhere later.
    EXPECT_EQ(RemoteAddressList::Parse("]~zhuludizia.b:1zhuludizi~[ ]~TJDZt~[ zhudizi~[").at("zhuludizi"),
              "a.b:1zhuludizi~[ ]~TJDZt~[ ");
    // The 番号 library closes with a shortened key too.
    EXPECT_EQ(RemoteAddressList::Parse("]~fanhaodizihttp://w/f.htmfanhaodiz~[").at("fanhaodizi"), "http://w/f.htm");
    EXPECT_EQ(RemoteAddressList::Parse("]~fanhaodizihttp://w/f.htmfanhaodizi~[").at("fanhaodizi"), "");
    // Keys are case-sensitive, and values keep their blanks and line breaks.
    const auto values = RemoteAddressList::Parse("]~tjdzlowertjdz~[ ]~TJDZ  a\r\nb TJDZ~[");
    EXPECT_EQ(values.at("TJDZ"), "  a\r\nb ");
    // The first begin marker counts.
    EXPECT_EQ(RemoteAddressList::Parse("]~dydzonedydz~[]~dydztwodydz~[").at("dydz"), "one");
}

TEST(RemoteAddressList, AFailedReadKnowsEveryKeyEmpty) {
    const auto parsed = RemoteAddressList::Parse("");
    const auto empty = RemoteAddressList::Empty();
    EXPECT_EQ(parsed, empty);
    EXPECT_EQ(empty.size(), 16u);
    for (const auto& [key, value] : empty) EXPECT_TRUE(value.empty()) << key;
    EXPECT_EQ(RemoteAddressList::Address("site.example:8080"), "http://site.example:8080/dizihuoqu.htm");
}

TEST(UpdatePage, ReadsTheEntryOfThisReleaseOnly) {
    const auto read = UpdatePage::Read(
        "[lumo1.5]http://old/dl[lumo1.5](lumo1.5gx)2(lumo1.5gx)<br>"
        "[lumo1.6]http://site/download.htm[lumo1.6](lumo1.6gx)1(lumo1.6gx)");
    EXPECT_EQ(read.downloadAddress, "http://site/download.htm");
    EXPECT_EQ(read.status, "1");

    // A status marker that occurs once gives no status.
    EXPECT_EQ(UpdatePage::Read("[lumo1.6]a[lumo1.6](lumo1.6gx)2").status, "");
    EXPECT_EQ(UpdatePage::Read("(lumo1.6gx)(lumo1.6gx)").status, "");
    EXPECT_EQ(UpdatePage::Read("(lumo1.6gx)3(lumo1.6gx)").downloadAddress, "");
    EXPECT_EQ(UpdatePage::Address("h:2"), "http://h:2/archiver/gx.htm");
}

}  // namespace
}  // namespace lumo::remote
