// The reading of the version service's reply, as pure functions: which value a key finds and
// what number a version is, and the verdict; the usual replies and the texts shown for them are
// SoftUpdate_test's.
#include "update/VersionReply.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
TEST(VersionReply, LookupTakesThePartAfterTheKeyInTheFirstItemThatHasOne) {
    const std::pair<const char*, const char*> rows[] = {
        {"ptm:2011-01-01 10:20:30,ver:1", "1"},
        {",,,ver::::5,,", "5"},
        {"ver:,ver:2", "2"},
        {"x:ver,ver:3", "3"},
        {"a:ver:4:b", "4"},
        {"ver:ver:x", "ver"},
        {"v{e}r:6}", "6"},
    };
    for (const auto& [reply, value] : rows)
        EXPECT_EQ(VersionReply::Lookup(QString::fromUtf8(reply), u"ver"), value) << reply;
    EXPECT_EQ(VersionReply::Lookup(QString::fromUtf8(rows[0].first), u"ptm"), "2011-01-01 10");
    for (const char* reply :
         {"{\"ver\":\"0.0.1.7\"}", " ver:1", "ver :1", "VER:1", "ver", "version:9", ""})
        EXPECT_EQ(VersionReply::Lookup(QString::fromUtf8(reply), u"ver"), QString()) << reply;
}

TEST(VersionReply, NumberIsTheLeadingIntegerWithoutDotsAndSaturates) {
    const struct {
        const char* version;
        qint64 number;
    } rows[] = {
        {" \t\r\n+0.1.6", 16},
        {"-3", -3},
        {"1.2x3", 12},
        {"x12", 0},
        {"- 5", 0},
        {"", 0},
        {"１７", 0},  // full-width digits are not digits here
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"9.2.2.3.3.7.2.0.3.6.8.5.4.7.7.5.8.0.8", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"-99999999999999999999999", std::numeric_limits<qint64>::min()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        EXPECT_EQ(VersionReply::Number(QString::fromUtf8(row.version)), row.number);
    }
}

TEST(VersionReply, ReadNeedsBothKeysAndOffersOnlyANewerVersion) {
    using V = VersionReply::Verdict;
    const std::pair<const char*, V> rows[] = {
        {"ptm:t,ver:1.0.0.0", V::Newer}, {"ptm:t,ver:0.0.2", V::Latest}, {"ver:1.0", V::Broken},
        {"ver:,ptm:t", V::Broken},       {"ptm:t", V::Broken},           {"", V::Broken},
    };
    for (const auto& [reply, verdict] : rows)
        EXPECT_EQ(VersionReply::Read(QString::fromUtf8(reply)).verdict, verdict) << reply;
}
}  // namespace
