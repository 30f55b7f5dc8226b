// The JSON output's text rules: strings in UTF-8 whatever the DICOM bytes, numbers in their
// shortest form, members in the order written.
#include "app/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using app::Json;

TEST(JsonTest, TextBecomesUtf8)
{
    const struct {
        const char* input;
        const char* utf8;
    } cases[] = {
        {"plain", "plain"},
        {"M\xC3\xBCller", "M\xC3\xBCller"},           // well-formed UTF-8 passes through
        {"M\xFCller", "M\xC3\xBCller"},               // ISO 8859-1 becomes its code point
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // a surrogate is not UTF-8
        {"\xC3", "\xC3\x83"},                         // nor is a truncated sequence
        {"\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"},  // nor an overlong form
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},      // four-byte sequences pass
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.utf8, app::ToUtf8(c.input)) << c.input;
}

TEST(JsonTest, NumbersKeepTheirShortestForm)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {3800.0, "3800"}, {-1024.0, "-1024"}, {0.25, "0.25"}, {0.15, "0.15"}, {1e20, "1e+20"},
        {1e300, "1e+300"}, {std::nan(""), "null"}, {std::numeric_limits<double>::infinity(), "null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, app::Number(c.value).dump()) << c.value;
}

TEST(JsonTest, DocumentsAreIndentedInMemberOrder)
{
    Json object = {{"name", app::ToUtf8("we\"ird\\\n\x01\xFC")}, {"count", -3}, {"ratio", app::Number(0.25)}};
    object["ok"] = true;
    object["none"] = nullptr;
    object["empty"] = Json::object();
    object["list"] = Json::array();
    const Json document = Json::array({object});
    EXPECT_EQ("[\n  {\n    \"name\": \"we\\\"ird\\\\\\n\\u0001\xC3\xBC\",\n    \"count\": -3,\n    \"ratio\": 0.25,\n"
              "    \"ok\": true,\n    \"none\": null,\n    \"empty\": {},\n    \"list\": []\n  }\n]\n",
              app::Dump(document));
}
