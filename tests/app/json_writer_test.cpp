#include "app/JsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>

using app::JsonWriter;

TEST(JsonWriterTest, EscapesWhatJsonForbids)
{
    EXPECT_EQ(R"("a\"b\\c")", JsonWriter::Escape("a\"b\\c"));
    EXPECT_EQ(R"("\n\t\u0001\u007f")", JsonWriter::Escape("\n\t\x01\x7f"));
    // ISO 8859-1 bytes become their code points; well-formed UTF-8 passes through.
    EXPECT_EQ(R"("M\u00fcller")", JsonWriter::Escape("M\xFCller"));
    EXPECT_EQ("\"M\xC3\xBCller\"", JsonWriter::Escape("M\xC3\xBCller"));
    // A surrogate or a truncated sequence is not UTF-8.
    EXPECT_EQ(R"("\u00ed\u00a0\u0080")", JsonWriter::Escape("\xED\xA0\x80"));
    EXPECT_EQ(R"("\u00c3")", JsonWriter::Escape("\xC3"));
}

TEST(JsonWriterTest, WritesNestedContainersWithCommasAndIndent)
{
    JsonWriter json;
    json.BeginArray();
    json.BeginObject();
    json.String("name", "x");
    json.Integer("count", -3);
    json.Number("ratio", 0.25);
    json.Number("bad", std::nan(""));
    json.Bool("ok", true);
    json.Null("none");
    json.BeginObject("empty");
    json.EndObject();
    json.EndObject();
    json.EndArray();
    EXPECT_EQ("[\n  {\n    \"name\": \"x\",\n    \"count\": -3,\n    \"ratio\": 0.25,\n    \"bad\": null,\n"
              "    \"ok\": true,\n    \"none\": null,\n    \"empty\": {}\n  }\n]\n",
              json.Text());
}
