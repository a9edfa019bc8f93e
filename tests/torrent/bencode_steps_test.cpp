#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "torrent/torrent_file.h"

namespace lumo::torrent {
namespace {

using namespace std::string_literals;
using T = TorrentFile;

TEST(BencodeSteps, ElementTypeLooksAtTheFirstByteOnly) {
    EXPECT_EQ(T::ElementType("d"), BencodeType::Dictionary);
    EXPECT_EQ(T::ElementType("lxyz"), BencodeType::List);
    EXPECT_EQ(T::ElementType("0"), BencodeType::String);
    EXPECT_EQ(T::ElementType("9:"), BencodeType::String);
    EXPECT_EQ(T::ElementType("i"), BencodeType::Integer);
    EXPECT_EQ(T::ElementType("e"), BencodeType::End);
    EXPECT_EQ(T::ElementType(""), BencodeType::Invalid);
    EXPECT_EQ(T::ElementType("-1"), BencodeType::Invalid);
    EXPECT_EQ(T::ElementType("D"), BencodeType::Invalid);
    EXPECT_EQ(T::ElementType("\0"s), BencodeType::Invalid);
    EXPECT_EQ(static_cast<int>(BencodeType::Invalid), 5);
}

TEST(BencodeSteps, ReadStringTakesTheLengthBeforeTheFirstColon) {
    auto s = T::ReadString("4:spamrest");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "spam");
    EXPECT_EQ(s.consumed, 6u);

    s = T::ReadString("0:");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "");
    EXPECT_EQ(s.consumed, 2u);

    // Junk after the digits still belongs to the length text.
    s = T::ReadString("4x:abcdef");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "abcd");
    EXPECT_EQ(s.consumed, 7u);

    // A length text that does not begin with digits counts as 0.
    s = T::ReadString("abc:def");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "");
    EXPECT_EQ(s.consumed, 4u);

    // Leading zeros are just digits.
    s = T::ReadString("0000000000000000003:abc");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "abc");
}

TEST(BencodeSteps, ReadStringFailsWithoutColonOrEnoughBytes) {
    EXPECT_FALSE(T::ReadString("4spam").ok);
    EXPECT_FALSE(T::ReadString("").ok);
    EXPECT_FALSE(T::ReadString("5:spam").ok);
    EXPECT_TRUE(T::ReadString("4:spam").ok);
}

TEST(BencodeSteps, ReadStringCutsAtTheFirstZeroByteButConsumesAll) {
    const std::string data = "5:ab\0cdX"s;  // views point into it
    auto s = T::ReadString(data);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "ab");
    EXPECT_EQ(s.consumed, 7u);
}

TEST(BencodeSteps, HostileLengthsNeverReadOutsideTheData) {
    // Far beyond 32 bits: must fail, not wrap around.
    EXPECT_FALSE(T::ReadString("99999999999:abc").ok);
    // 2^32 + 5 would wrap to 5 in 32-bit arithmetic.
    EXPECT_FALSE(T::ReadString("4294967301:hello").ok);
    EXPECT_FALSE(T::ReadString("2147483648:x").ok);
    EXPECT_FALSE(T::ReadString(std::string(5000, '9') + ":x").ok);
    // A sign is not a digit: "-5" is a zero length, never a negative one.
    auto s = T::ReadString("-5:abcdef");
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.value, "");
    EXPECT_EQ(s.consumed, 3u);
}

TEST(BencodeSteps, ReadIntegerKeepsTheTextAndReadsA32BitNumber) {
    auto i = T::ReadInteger("i42etail");
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.value, "42");
    EXPECT_EQ(i.number, 42);
    EXPECT_EQ(i.consumed, 4u);

    i = T::ReadInteger("i-3e");
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.number, -3);

    i = T::ReadInteger("i99999999999e");
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.value, "99999999999");
    EXPECT_EQ(i.number, std::numeric_limits<int32_t>::max());

    i = T::ReadInteger("i-99999999999e");
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.number, std::numeric_limits<int32_t>::min());

    i = T::ReadInteger("ie");
    ASSERT_TRUE(i.ok);
    EXPECT_EQ(i.value, "");
    EXPECT_EQ(i.number, 0);
    EXPECT_EQ(i.consumed, 2u);

    EXPECT_FALSE(T::ReadInteger("i42").ok);
    EXPECT_FALSE(T::ReadInteger("42e").ok);
    EXPECT_FALSE(T::ReadInteger("").ok);
}

TEST(BencodeSteps, ParseListStoresElementsInTheirStoredForms) {
    auto l = T::ParseList("l4:spami7eli1eed1:ai2eeeTAIL");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.consumed, 24u);
    EXPECT_EQ(l.value, "4:spami7eli1eed1:ai2ee");
    ASSERT_EQ(l.elements.size(), 4u);
    EXPECT_EQ(l.elements[0], "spam");
    EXPECT_EQ(l.elements[1], "7");
    EXPECT_EQ(l.elements[2], "i1e");
    EXPECT_EQ(l.elements[3], "1:ai2e");
}

TEST(BencodeSteps, ListWithoutClosingEDropsTheLastPresentByte) {
    auto l = T::ParseList("l4:spam");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.consumed, 7u);
    EXPECT_EQ(l.value, "4:spa");
    ASSERT_EQ(l.elements.size(), 1u);

    l = T::ParseList("l");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.consumed, 1u);
    EXPECT_EQ(l.value, "");

    l = T::ParseList("le");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.consumed, 2u);
    EXPECT_EQ(l.value, "");
}

TEST(BencodeSteps, ParseListFailsOnDamagedElements) {
    EXPECT_FALSE(T::ParseList("4:spam").ok);
    EXPECT_FALSE(T::ParseList("lxe").ok);
    EXPECT_FALSE(T::ParseList("l9:spi1e").ok);
    auto l = T::ParseList("li1e3:ab");
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.consumed, 4u);  // what was read before the damage
}

TEST(BencodeSteps, ParseDictReadsKeysWhateverTheirFirstByte) {
    auto d = T::ParseDict("d3:onei1e3:two3:abce");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.consumed, 20u);
    ASSERT_EQ(d.keys.size(), 2u);
    EXPECT_EQ(d.keys[0], "one");
    EXPECT_EQ(d.keys[1], "two");
    ASSERT_EQ(d.values.size(), 2u);
    EXPECT_EQ(d.values[0], "1");
    EXPECT_EQ(d.values[1], "abc");

    // A key that does not start with a digit has length 0.
    d = T::ParseDict("dx:i5ee");
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.keys.size(), 1u);
    EXPECT_EQ(d.keys[0], "");
    EXPECT_EQ(d.values[0], "5");

    // Likewise "-5": without the guard this would step backwards.
    d = T::ParseDict("d-5:i5ee");
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.keys.size(), 1u);
    EXPECT_EQ(d.keys[0], "");
    EXPECT_EQ(d.values[0], "5");
    EXPECT_EQ(d.consumed, 8u);
}

TEST(BencodeSteps, DictEndRightAfterAKeyLeavesThatKeyWithoutValue) {
    auto d = T::ParseDict("d1:ai1e1:beXYZ");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.consumed, 11u);
    ASSERT_EQ(d.keys.size(), 2u);
    ASSERT_EQ(d.values.size(), 1u);
}

TEST(BencodeSteps, NestingIsLimited) {
    // The list itself is level 1, so kMaxDepth levels in all are accepted.
    std::string ok = std::string(T::kMaxDepth, 'l') + std::string(T::kMaxDepth, 'e');
    auto l = T::ParseList(ok);
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.consumed, ok.size());

    std::string deep = std::string(T::kMaxDepth + 1, 'l') + std::string(T::kMaxDepth + 1, 'e');
    l = T::ParseList(deep);
    EXPECT_FALSE(l.ok);

    // Far beyond any sane depth: must fail cleanly, not exhaust the stack.
    std::string hostile(2'000'000, 'l');
    EXPECT_FALSE(T::ParseList(hostile).ok);
    std::string dicts;
    for (int i = 0; i < 200'000; ++i) dicts += "d1:a";
    EXPECT_FALSE(T::ParseDict(dicts).ok);
}

TEST(BencodeSteps, HexAndDigest) {
    EXPECT_EQ(T::BytesToHex("\x0A\xFF"), "0AFF");
    EXPECT_EQ(T::BytesToHex("\x00\x01"s), "0001");
    EXPECT_EQ(T::BytesToHex(""), "");
    EXPECT_EQ(T::BytesToHex(T::HashBytes("abc")), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(T::BytesToHex(T::HashBytes("")), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
    EXPECT_EQ(T::HashBytes("abc").size(), 20u);
}

}  // namespace
}  // namespace lumo::torrent
