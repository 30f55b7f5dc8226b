// The tessor command line: the whole-number values, every command's refusal of bad usage
// (run as a process: exit 2 and exactly one line), and the README's option tables as the
// contract the declarations must keep.
#include "app/OptionValues.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using testfiles::ProcessRun;
using testfiles::Quote;

// Runs tessor in `dir` with no display, so that nothing can open a window.
ProcessRun Tessor(const fs::path& dir, const std::string& arguments)
{
    return testfiles::RunShell("cd " + Quote(dir) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                               Quote(TESSOR_APP_PATH) + " " + arguments);
}

using OptionSets = std::map<std::string, std::set<std::string>>;

// The options each "### `tessor COMMAND ...`" section of the README lists in its table.
OptionSets ReadmeOptions()
{
    std::ifstream in(TESSOR_README_PATH);
    OptionSets options;
    std::string command;
    const std::regex heading("^### `tessor ([a-z]+)");
    const std::regex code("`([^`]+)`");
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (std::regex_search(line, match, heading))
            command = match[1];
        else if (line.starts_with("## "))
            command.clear();
        if (command.empty() || !line.starts_with("| `"))
            continue;
        const std::string cell = line.substr(0, line.find(" | "));
        for (auto it = std::sregex_iterator(cell.begin(), cell.end(), code); it != std::sregex_iterator(); ++it) {
            std::istringstream words((*it)[1].str());
            for (std::string word; words >> word;) {
                if (word.starts_with("-"))
                    options[command].insert(word.substr(0, word.find(',')));
            }
        }
    }
    return options;
}

// The options `tessor COMMAND --help` lists, without the help option itself.
std::set<std::string> HelpOptions(const fs::path& dir, const std::string& command)
{
    const ProcessRun help = Tessor(dir, command + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    std::set<std::string> options;
    std::istringstream lines(help.output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("  -"))
            continue;
        std::istringstream words(line);
        for (std::string word; words >> word && word.starts_with("-");)
            options.insert(word.substr(0, word.find(',')));
    }
    options.erase("-h");
    options.erase("--help");
    return options;
}

}  // namespace

TEST(OptionValues, ReadsDecimalNumbersOfTheFormWithinTheirRanges)
{
    const std::vector<app::Range> adjust = {{0, 10}, {-5, 5}, {-5, 5}, {-5, 5}};
    const struct {
        const char* text;
        std::string form;
        std::vector<app::Range> ranges;
        std::vector<int> values;
        const char* error;
    } cases[] = {
        {"42", "N", {app::kAnyInt}, {42}, ""},
        {"-2147483648", "N", {app::kAnyInt}, {INT_MIN}, ""},
        {"010", "N", {app::kAnyInt}, {10}, ""},  // decimal, never octal
        {"2147483648", "N", {app::kAnyInt}, {}, "2147483648 is out of range (-2147483648 to 2147483647)"},
        {"4294967303", "N", {app::kAnyInt}, {}, "4294967303 is out of range (-2147483648 to 2147483647)"},
        {"99999999999999999999", "N", {{1, 50}}, {}, "99999999999999999999 is out of range (1 to 50)"},
        {"0x10", "N", {app::kAnyInt}, {}, "'0x10' is not a whole number"},
        {"+5", "N", {app::kAnyInt}, {}, "'+5' is not a whole number"},
        {"", "N", {app::kAnyInt}, {}, "'' is not a whole number"},
        {"5 ", "N", {app::kAnyInt}, {}, "'5 ' is not a whole number"},
        {"3:-5,0,5", "I:L,T,B", adjust, {3, -5, 0, 5}, ""},
        {"3:1,2", "I:L,T,B", adjust, {}, "'3:1,2' is not I:L,T,B (whole numbers)"},
        {"3:1,2,3,4", "I:L,T,B", adjust, {}, "'3:1,2,3,4' is not I:L,T,B (whole numbers)"},
        {"3,1,2,3", "I:L,T,B", adjust, {}, "'3,1,2,3' is not I:L,T,B (whole numbers)"},
        {"3:1,,3", "I:L,T,B", adjust, {}, "'3:1,,3' is not I:L,T,B (whole numbers)"},
        {"11:1,2,3", "I:L,T,B", adjust, {}, "11 is out of range (I 0 to 10)"},
        {"1:1,2,-6", "I:L,T,B", adjust, {}, "-6 is out of range (B -5 to 5)"},
        {"99999999999:1,2,3", "I:L,T,B", adjust, {}, "99999999999 is out of range (I 0 to 10)"},
    };
    for (const auto& c : cases) {
        const app::ParsedNumbers parsed = app::ParseNumbers(c.text, c.form, c.ranges);
        EXPECT_EQ(c.values, parsed.values) << c.text;
        EXPECT_EQ(c.error, parsed.error) << c.text;
    }
}

TEST(OptionValues, ReadsSizesInBytesWithBinaryUnits)
{
    const struct {
        const char* text;
        std::uint64_t bytes;
        const char* error;
    } cases[] = {
        {"0", 0, ""},
        {"4096", 4096, ""},
        {"300K", 307200, ""},
        {"512M", 536870912, ""},
        {"2G", 2147483648, ""},
        {"1024T", 1125899906842624, ""},
        {"1025T", 0, "1025T is too large (at most 1024T)"},
        {"1125899906842625", 0, "1125899906842625 is too large (at most 1024T)"},
        {"99999999999999999", 0, "'99999999999999999' is not a size (a whole number of bytes, or with K, M, G or T)"},
        {"2g", 0, "'2g' is not a size (a whole number of bytes, or with K, M, G or T)"},
        {"2GB", 0, "'2GB' is not a size (a whole number of bytes, or with K, M, G or T)"},
        {"G", 0, "'G' is not a size (a whole number of bytes, or with K, M, G or T)"},
        {"-1", 0, "'-1' is not a size (a whole number of bytes, or with K, M, G or T)"},
        {"", 0, "'' is not a size (a whole number of bytes, or with K, M, G or T)"},
    };
    for (const auto& c : cases) {
        const app::ParsedSize parsed = app::ParseSize(c.text);
        EXPECT_EQ(c.bytes, parsed.bytes) << c.text;
        EXPECT_EQ(c.error, parsed.error) << c.text;
    }
}

// Each bad use of each command's options: exit 2 and one exact line, before any file is read.
TEST(CommandLine, BadUsageIsOneLineAndExitTwo)
{
    const fs::path dir = testfiles::FreshDir("command_line_bad");
    const std::map<std::string, std::string> prefix = {
        {"stitch", "stitch -o out.dcm a.dcm b.dcm "}, {"gui", "gui a.dcm b.dcm "}, {"sample", "sample study "},
        {"info", "info a.dcm "}, {"echo", "echo "}, {"send", "send "}, {"find", "find "}, {"fetch", "fetch "}, {"serve", "serve --port 11112 "}, {"", ""}};
    const struct {
        const char* command;
        const char* arguments;
        const char* reason;
    } cases[] = {
        {"", "", "a command is required"},
        {"", "bogus", "unknown command 'bogus'"},
        {"", "--bogus", "unknown option '--bogus'"},
        {"stitch", "--instance x", "--instance: 'x' is not a whole number"},
        {"stitch", "--instance 4294967303", "--instance: 4294967303 is out of range (-2147483648 to 2147483647)"},
        {"stitch", "--instance", "--instance: 1 required N missing"},
        {"stitch", "--adjust 1:2,x", "--adjust: '1:2,x' is not I:L,T,B (whole numbers)"},
        {"stitch", "--adjust 99999999999:1,2,3", "--adjust: 99999999999 is out of range (I 0 to 2147483647)"},
        {"stitch", "--adjust 0:70000,0,1", "--adjust: 70000 is out of range (L -65535 to 65535)"},
        {"stitch", "--adjust 2:0,0,1", "--adjust: image 2 is out of range (0 to 1)"},
        {"stitch", "--adjust", "--adjust: 1 required I:L,T,B missing"},
        {"stitch", "--crop 0,0,10", "--crop: '0,0,10' is not L,T,R,B (whole numbers)"},
        {"stitch", "--crop 0,0,10,-1", "--crop: -1 is out of range (B 0 to 65535)"},
        {"stitch", "--crop", "--crop: 1 required L,T,R,B missing"},
        {"stitch", "--window 0:1,2", "--window: needs --bitmaps"},
        {"stitch", "--bitmaps --window 0:x,2", "--window: '0:x,2' is not I:W,C (whole numbers)"},
        {"stitch", "--bitmaps --window 0:70000,2", "--window: 70000 is out of range (W 0 to 65536)"},
        {"stitch", "--bitmaps --window 0:1,-40000", "--window: -40000 is out of range (C -32768 to 65535)"},
        {"stitch", "--bitmaps --window 5:1,2", "--window: image 5 is out of range (0 to 1)"},
        {"stitch", "--bitmaps --window", "--window: 1 required I:W,C missing"},
        {"stitch", "-o", "--out: 1 required FILE missing"},
        {"stitch", "--reference", "--reference: 1 required FILE missing"},
        {"stitch", "--preview", "--preview: 1 required FILE.png missing"},
        {"stitch", "--uid", "--uid: 1 required UID missing"},
        {"stitch", "--model", "--model: 1 required TEXT missing"},
        {"stitch", "--manufacturer", "--manufacturer: 1 required TEXT missing"},
        {"stitch", "--bogus", "unknown option '--bogus'"},
        {"stitch", "-x", "unknown option '-x'"},
        {"gui", "--instance 1e3", "--instance: '1e3' is not a whole number"},
        {"gui", "--instance -2147483649", "--instance: -2147483649 is out of range (-2147483648 to 2147483647)"},
        {"gui", "--instance", "--instance: 1 required N missing"},
        {"gui", "--bitmaps --window 0:1", "--window: '0:1' is not I:W,C (whole numbers)"},
        {"gui", "--bitmaps --window 2:1,2", "--window: image 2 is out of range (0 to 1)"},
        {"gui", "--window 0:1,2", "--window: needs --bitmaps"},
        {"gui", "-o", "--out: 1 required FILE missing"},
        {"gui", "--auto", "unknown option '--auto'"},
        {"sample", "--rows abc", "--rows: 'abc' is not a whole number"},
        {"sample", "--rows 10001", "--rows: 10001 is out of range (16 to 10000)"},
        {"sample", "--rows", "--rows: 1 required R missing"},
        {"sample", "--cols 15", "--cols: 15 is out of range (16 to 10000)"},
        {"sample", "--cols", "--cols: 1 required C missing"},
        {"sample", "--pieces 0x10", "--pieces: '0x10' is not a whole number"},
        {"sample", "--pieces 51", "--pieces: 51 is out of range (1 to 50)"},
        {"sample", "--pieces", "--pieces: 1 required N missing"},
        {"sample", "--bits 12", "--bits must be 8 or 16"},
        {"sample", "--bits 99999999999999999999", "--bits: 99999999999999999999 is out of range (8 to 16)"},
        {"sample", "--bits", "--bits: 1 required 8|16 missing"},
        {"sample", "--bits 8 --signed", "--signed needs --bits 16"},
        {"sample", "--syntax jpeg2000", "--syntax: unknown syntax 'jpeg2000'"},
        {"sample", "--syntax", "--syntax: 1 required S missing"},
        {"sample", "other", "unexpected argument 'other'"},
        {"sample", "--bogus", "unknown option '--bogus'"},
        {"info", "--bogus", "unknown option '--bogus'"},
        {"info", "-j", "unknown option '-j'"},
        {"echo", "PACS", "PEER: 'PACS' is not AE@host:port"},
        {"echo", "PACS@h:0", "PEER: 'PACS@h:0': the port must be 1 to 65535"},
        {"echo", "PACS@h:1 --ae ''", "--ae: '' is not an AE title (1 to 16 characters)"},
        {"echo", "PACS@h:1 --ae SEVENTEEN_CHARS_A", "--ae: 'SEVENTEEN_CHARS_A' is not an AE title (1 to 16 characters)"},
        {"echo", "PACS@h:1 --timeout 0", "--timeout: 0 is out of range (1 to 3600)"},
        {"echo", "PACS@h:1 other", "unexpected argument 'other'"},
        {"send", "PACS@h:1", "FILE is required"},
        {"send", "@h:1 a.dcm", "PEER: '@h:1': the AE title must be 1 to 16 printable characters without '\\' or edge spaces"},
        {"find", "PACS@h:1 --patient", "--patient: 1 required ID missing"},
        {"find", "PACS@h:1 --timeout 3601", "--timeout: 3601 is out of range (1 to 3600)"},
        {"find", "h:1", "PEER: 'h:1' is not AE@host:port"},
        {"fetch", "PACS@h:1 dir", "--study is required"},
        {"fetch", "--study 1.2 PACS@h:1", "DIR is required"},
        {"fetch", "--study", "--study: 1 required UID missing"},
        {"fetch", "--study 1.2 --move-to TESSOR PACS@h:1 dir", "--move-to: needs --port"},
        {"fetch", "--study 1.2 --port 11112 PACS@h:1 dir", "--port: needs --move-to"},
        {"fetch", "--study 1.2 --move-to TESSOR --port 0 PACS@h:1 dir", "--port: 0 is out of range (1 to 65535)"},
        {"stitch", "--send-to PACS", "--send-to: 'PACS' is not AE@host:port"},
        {"serve", "--port 0", "--port: 0 is out of range (1 to 65535)"},
        {"serve", "--settle 0", "--settle: 0 is out of range (1 to 86400)"},
        {"serve", "--max-associations 1001", "--max-associations: 1001 is out of range (1 to 1000)"},
        {"serve", "--retries 0", "--retries: 0 is out of range (1 to 100)"},
        {"serve", "--forward nowhere", "--forward: 'nowhere' is not AE@host:port"},
        {"serve", "--allow", "--allow: 1 required AE missing"},
        {"serve", "extra", "unexpected argument 'extra'"},
        {"serve", "--auto --align", "--auto excludes --align"},
        {"serve", "--max-image-bytes 12Q", "--max-image-bytes: '12Q' is not a size (a whole number of bytes, or with K, "
                                           "M, G or T)"},
        {"stitch", "--send-to", "--send-to: 1 required PEER missing"},
        {"stitch", "--timeout 0", "--timeout: 0 is out of range (1 to 3600)"},
    };
    for (const auto& c : cases) {
        const std::string arguments = prefix.at(c.command) + c.arguments;
        const std::string who = c.command[0] == '\0' ? "tessor" : std::string("tessor ") + c.command;
        const ProcessRun run = Tessor(dir, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.output, who + ": " + c.reason + " (see " + who + " --help)\n") << arguments;
    }
    // A required argument left out: the command names it.
    EXPECT_EQ(Tessor(dir, "stitch a.dcm").output, "tessor stitch: --out is required (see tessor stitch --help)\n");
    EXPECT_EQ(Tessor(dir, "info").output, "tessor info: FILE is required (see tessor info --help)\n");
    EXPECT_EQ(Tessor(dir, "sample").output, "tessor sample: DIR is required (see tessor sample --help)\n");
    EXPECT_EQ(Tessor(dir, "serve").output, "tessor serve: --port is required (see tessor serve --help)\n");
    for (const char* command : {"echo", "send", "find", "fetch"})
        EXPECT_EQ(Tessor(dir, command).output,
                  std::string("tessor ") + command + ": PEER is required (see tessor " + command + " --help)\n");
    EXPECT_TRUE(fs::is_empty(dir));  // nothing ran
}

TEST(CommandLine, GoodValuesReachTheCommand)
{
    const fs::path dir = testfiles::FreshDir("command_line_good");
    // Decimal with a leading zero, a setting repeated (the last wins), and a directory
    // named like a command: it is the argument, not a second command.
    const ProcessRun run = Tessor(dir, "sample --rows 099 --rows 0020 --cols 16 --pieces 1 stitch");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "wrote 1 exposures of 16 x 20 pixels to stitch\n");
    EXPECT_TRUE(fs::exists(dir / "stitch" / "piece-1.dcm"));
}

TEST(CommandLine, HelpShowsTheDeclarations)
{
    const fs::path dir = testfiles::FreshDir("command_line_help");
    const struct {
        const char* arguments;
        const char* usage;
    } cases[] = {
        {"--help", "usage: tessor <command> [options]\n"},
        {"stitch --help", "usage: tessor stitch -o FILE [options] FILE...\n"},
        {"gui -h", "usage: tessor gui [options] [FILE...]\n"},
        {"info --help", "usage: tessor info [options] FILE...\n"},
        {"sample --rows 20 --help", "usage: tessor sample [options] DIR\n"},
        {"echo --help", "usage: tessor echo [options] PEER\n"},
        {"send --help", "usage: tessor send [options] PEER FILE...\n"},
        {"find --help", "usage: tessor find [options] PEER\n"},
        {"fetch --help", "usage: tessor fetch --study UID [options] PEER DIR\n"},
        {"serve --help", "usage: tessor serve --port P [options]\n"},
    };
    for (const auto& c : cases) {
        const ProcessRun run = Tessor(dir, c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        EXPECT_EQ(run.output.substr(0, run.output.find('\n') + 1), c.usage) << run.output;
    }
    const ProcessRun top = Tessor(dir, "--help");
    EXPECT_NE(top.output.find("\n  stitch  join the files into one stitched DICOM image, without a window\n"),
              std::string::npos)
        << top.output;
    const ProcessRun stitch = Tessor(dir, "stitch --help");
    EXPECT_NE(stitch.output.find("\n  --crop L,T,R,B       crop, in pixels of the stitched image (0 to 65535)\n"), std::string::npos)
        << stitch.output;
}

// The README's option tables are the user's contract: each command declares exactly the
// options its table lists.
TEST(CommandLine, EveryCommandDeclaresWhatTheReadmeLists)
{
    const fs::path dir = testfiles::FreshDir("command_line_readme");
    const OptionSets readme = ReadmeOptions();
    const std::set<std::string> commands = {"echo", "fetch", "find", "gui", "info", "sample", "send", "serve", "stitch"};
    std::set<std::string> documented;
    for (const auto& [command, options] : readme)
        documented.insert(command);
    EXPECT_EQ(documented, commands);
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        EXPECT_EQ(HelpOptions(dir, command), readme.count(command) ? readme.at(command) : std::set<std::string>());
    }
    EXPECT_EQ(readme.at("stitch").count("--instance"), 1u);  // the parse reads a cell's every option
}
