#include "engine/http_head.h"

#include <gtest/gtest.h>

namespace lumo::engine {
namespace {

TEST(RequestHeadTest, ReadsRequestLineAndHeadersCaseInsensitively) {
    auto head = ParseRequestHead("GET /abc/media.mp4 HTTP/1.1\r\nHost: 127.0.0.1\r\nRANGE: bytes=5-\r\n"
                                 "X-Twice: a\r\nx-twice: b\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->method, "GET");
    EXPECT_EQ(head->target, "/abc/media.mp4");
    EXPECT_EQ(head->header("range"), "bytes=5-");
    EXPECT_EQ(head->header("x-twice"), "a, b");
    EXPECT_EQ(head->header("missing"), "");
}

TEST(RequestHeadTest, AcceptsBareLineFeeds) {
    auto head = ParseRequestHead("HEAD / HTTP/1.0\nRange: bytes=0-0\n\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->method, "HEAD");
    EXPECT_EQ(head->header("range"), "bytes=0-0");
}

TEST(RequestHeadTest, RefusesMalformedHeads) {
    EXPECT_FALSE(ParseRequestHead(""));
    EXPECT_FALSE(ParseRequestHead("\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET /x HTTP/1.1\r\nHost: a\r\n"));  // no end of head
    EXPECT_FALSE(ParseRequestHead("GET x HTTP/1.1\r\n\r\n"));           // target not a path
    EXPECT_FALSE(ParseRequestHead("GET /x\r\n\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET /x HTTP/1.1 extra\r\n\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET /x FTP/1.1\r\n\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET /x HTTP/1.1\r\nNoColon\r\n\r\n"));
    EXPECT_FALSE(ParseRequestHead("GET /x HTTP/1.1\r\nBad Name: v\r\n\r\n"));
}

TEST(RangeHeaderTest, SingleRangesAreHonoured) {
    auto r = ParseRangeHeader("bytes=100-199", 1000);
    EXPECT_EQ(r.kind, RangeKind::Partial);
    EXPECT_EQ(r.range.first, 100u);
    EXPECT_EQ(r.range.last, 199u);
    EXPECT_EQ(r.range.length(), 100u);

    r = ParseRangeHeader("bytes=900-", 1000);
    EXPECT_EQ(r.kind, RangeKind::Partial);
    EXPECT_EQ(r.range.last, 999u);

    // An end past the body is cut to the body.
    r = ParseRangeHeader("bytes=900-5000", 1000);
    EXPECT_EQ(r.kind, RangeKind::Partial);
    EXPECT_EQ(r.range.last, 999u);

    r = ParseRangeHeader("bytes=-10", 1000);
    EXPECT_EQ(r.kind, RangeKind::Partial);
    EXPECT_EQ(r.range.first, 990u);
    EXPECT_EQ(r.range.last, 999u);

    r = ParseRangeHeader("bytes=-5000", 1000);
    EXPECT_EQ(r.range.first, 0u);
}

TEST(RangeHeaderTest, StartsBeyondTheBodyAreUnsatisfiable) {
    EXPECT_EQ(ParseRangeHeader("bytes=1000-", 1000).kind, RangeKind::Unsatisfiable);
    EXPECT_EQ(ParseRangeHeader("bytes=-0", 1000).kind, RangeKind::Unsatisfiable);
}

TEST(RangeHeaderTest, AnythingElseMeansTheWholeBody) {
    for (const char* value : {"", "items=0-5", "bytes=5", "bytes=a-b", "bytes=0-1,5-6", "bytes=9-3",
                              "bytes=-", "bytes=99999999999999999999-"}) {
        auto r = ParseRangeHeader(value, 1000);
        EXPECT_EQ(r.kind, RangeKind::Whole) << value;
        EXPECT_EQ(r.range.first, 0u) << value;
        EXPECT_EQ(r.range.last, 999u) << value;
    }
}

TEST(ContentRangeTest, ReadsSpanAndTotal) {
    auto c = ParseContentRange("bytes 0-1023/4096");
    ASSERT_TRUE(c && c->range && c->total);
    EXPECT_EQ(c->range->first, 0u);
    EXPECT_EQ(c->range->last, 1023u);
    EXPECT_EQ(*c->total, 4096u);

    c = ParseContentRange("bytes */4096");
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->range);
    EXPECT_EQ(*c->total, 4096u);

    c = ParseContentRange("bytes 10-20/*");
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->total);
}

TEST(ContentRangeTest, AnEndPastTheTotalIsCut) {
    auto c = ParseContentRange("bytes 0-8388607/4096");
    ASSERT_TRUE(c && c->range);
    EXPECT_EQ(c->range->last, 4095u);
    EXPECT_FALSE(ParseContentRange("bytes 4096-8191/4096"));  // starts outside the body
}

TEST(ContentRangeTest, RefusesInconsistentValues) {
    EXPECT_FALSE(ParseContentRange("bytes 20-10/4096"));
    EXPECT_FALSE(ParseContentRange("bytes */*"));
    EXPECT_FALSE(ParseContentRange("items 0-1/2"));
    EXPECT_FALSE(ParseContentRange("bytes 0-1"));
    EXPECT_FALSE(ParseContentRange("bytes -1-2/5"));
}

}  // namespace
}  // namespace lumo::engine
