// The tessor program: hosts the stitching module and runs its pipeline from the command line.
// Every command and its options are declared here once; the declarations fill each
// command's option structure, make the help texts and refuse bad usage with one line and
// exit status 2.
#include "app/Commands.h"
#include "app/HelpText.h"
#include "app/NetCommands.h"
#include "app/OptionValues.h"
#include "output/OutputSettings.h"
#include "platform/StageTrace.h"
#include "stitch/StitchInput.h"

#include <algorithm>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

namespace app {

namespace {

constexpr int kPixelLimit = 65535;  // the largest Rows or Columns a DICOM image has
constexpr Range kPixels{-kPixelLimit, kPixelLimit};
constexpr Range kPixel{0, kPixelLimit};
constexpr Range kImageIndex{0, INT_MAX};
// Window width and centre in stored values: 16 bits, signed or not.
constexpr Range kWindowWidth{0, 65536};
constexpr Range kWindowCenter{-32768, 65535};

// An --adjust or --window naming an image past the files given.
void CheckIndex(const char* option, int index, size_t files)
{
    if (static_cast<size_t>(index) >= files)
        throw CLI::ValidationError(option, "image " + std::to_string(index) + " is out of range (0 to " +
                                               std::to_string(static_cast<long long>(files) - 1) + ")");
}

// The options tessor stitch and tessor gui share, with the wording that differs.
void DeclareSourceOptions(CLI::App& command, SourceOptions& o, const char* out, const char* bitmaps,
                          const char* reference)
{
    command.add_option("-o,--out", o.out, out)->type_name("FILE");
    command.add_flag("--bitmaps", o.bitmaps, bitmaps);
    command.add_option("--reference", o.reference, reference)->type_name("FILE");
    AddNumbers(command, "--window", "I:W,C", {kImageIndex, kWindowWidth, kWindowCenter},
               [&o](const std::vector<int>& v) { o.windows[v[0]] = CPoint(v[1], v[2]); },
               "window width (0 to 65536) and centre (-32768 to 65535) of bitmap I, in stored values (needs "
               "--bitmaps); repeatable");
    command.add_option("--uid", o.uid, "the output's SOP Instance UID; an empty UID gets a fresh one")
        ->type_name("UID");
    command.add_option("--manufacturer", o.manufacturer, "the output's Manufacturer")->type_name("TEXT");
    command.add_option("--model", o.model, "the output's Manufacturer's Model Name")->type_name("TEXT");
    AddNumbers(command, "--instance", "N", {kAnyInt}, [&o](const std::vector<int>& v) { o.instance = v[0]; },
               "the output's Instance and Acquisition Number, a 32-bit signed number");
    command.add_option("--series", o.series,
                       "with folders or DICOMDIR files holding several series: the one to stitch, by its place "
                       "in the listing (1, 2, ...) or its Series Instance UID")
        ->type_name("N|UID");
    command.add_option("FILE", o.files,
                       "the source images, in stitching order; folders (searched recursively) and DICOMDIR files "
                       "give the images of one series, by Instance Number")
        ->required();
}

// Folders and DICOMDIR files hold an unknown number of images until they are read.
bool NamesCollections(const std::vector<std::string>& files)
{
    return std::any_of(files.begin(), files.end(), [](const std::string& f) { return stitchinput::IsCollection(f); });
}

// What the declarations of the shared options cannot say alone.
void CheckSourceOptions(const SourceOptions& o)
{
    if (!o.windows.empty() && !o.bitmaps)
        throw CLI::ValidationError("--window", "needs --bitmaps");
    if (o.files.empty() || NamesCollections(o.files))  // chosen later, or found later
        return;
    for (const auto& [index, window] : o.windows)
        CheckIndex("--window", index, o.files.size());
}

// A peer option or argument: AE@host:port, refused as a usage error naming `name`.
CLI::Option* AddPeer(CLI::App& command, const std::string& name, std::function<void(const net::Peer&)> store,
                     const std::string& help)
{
    return command
        .add_option_function<std::string>(
            name,
            [name, store](const std::string& text) {
                const net::PeerParse parsed = net::ParsePeer(text);
                if (!parsed.error.empty())
                    throw CLI::ValidationError(name, parsed.error);
                store(parsed.peer);
            },
            help)
        ->type_name("PEER");
}

// Our side of an association: the AE title and the bound of every wait.
void DeclareAssociation(CLI::App& command, net::AssociationSettings& settings)
{
    command
        .add_option_function<std::string>(
            "--ae",
            [&settings](const std::string& title) {
                if (!net::IsValidAeTitle(title))
                    throw CLI::ValidationError("--ae", "'" + title + "' is not an AE title (1 to 16 characters)");
                settings.callingAeTitle = title;
            },
            "our AE title (default TESSOR)")
        ->type_name("AE");
    AddNumbers(command, "--timeout", "S", {{1, 3600}},
               [&settings](const std::vector<int>& v) { settings.timeoutSeconds = static_cast<unsigned>(v[0]); },
               "seconds any one network wait may last, 1 to 3600 (default 30)");
}

// The peer and our side of the association, which every network command takes.
void DeclareNetOptions(CLI::App& command, NetOptions& o)
{
    AddPeer(command, "PEER", [&o](const net::Peer& peer) { o.peer = peer; }, "the peer, AE@host:port")->required();
    DeclareAssociation(command, o.settings);
}

CLI::App* DeclareInfo(CLI::App& tessor, InfoOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "info", "show what each DICOM file yields when loaded as a source image\n"
                "Loads each FILE as the stitching module loads a source image and shows its patient, study and\n"
                "series record, its image attributes, the window applied on loading (width and centre as read,\n"
                "and the range of stored values it spans) and the decoded bitmap's size and depth.");
    command->add_flag("--json", o.json, "print one JSON array with an object per file");
    command->add_option("FILE", o.files, "the DICOM files; folders (searched recursively) and DICOMDIR files give "
                                          "every image they hold")
        ->required();
    command->footer("A file that does not load is reported as 'FILE: reason'; the status is then 1.");
    return command;
}

CLI::App* DeclareSample(CLI::App& tessor, SampleCommandOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "sample", "write a synthetic long-length study of overlapping exposures\n"
                  "Writes DIR/piece-1.dcm .. piece-N.dcm: one DX study of N overlapping exposures of a synthetic\n"
                  "body, each with featureless collimator bands of its own heights at the top and bottom. DIR is\n"
                  "created when missing.");
    sample::SampleOptions& s = o.study;
    const Range side{sample::kMinSide, sample::kMaxSide};
    AddNumbers(*command, "--rows", "R", {side}, [&s](const std::vector<int>& v) { s.rows = v[0]; },
               "rows of each piece, 16 to 10000 (default 1400)");
    AddNumbers(*command, "--cols", "C", {side}, [&s](const std::vector<int>& v) { s.columns = v[0]; },
               "columns of each piece, 16 to 10000 (default 1000)");
    AddNumbers(*command, "--pieces", "N", {{1, sample::kMaxPieces}},
               [&s](const std::vector<int>& v) { s.pieces = v[0]; }, "number of pieces, 1 to 50 (default 3)");
    AddNumbers(*command, "--bits", "8|16", {{8, 16}}, [&s](const std::vector<int>& v) { s.bitsAllocated = v[0]; },
               "bits allocated; 16 stores 12 bits (default 16)");
    command->add_flag("--signed", s.isSigned, "Pixel Representation 1, with negative values (16 bits only)");
    command->add_flag("--mono1", s.monochrome1, "MONOCHROME1 instead of MONOCHROME2");
    const auto syntax = [&s](const std::string& name) {
        using enum sample::Syntax;
        const std::map<std::string, sample::Syntax> known = {
            {"raw", Raw}, {"jpeg-lossless", JpegLossless}, {"jpeg-ls", JpegLs}, {"rle", Rle}};
        if (!known.contains(name))
            throw CLI::ValidationError("--syntax", "unknown syntax '" + name + "'");
        s.syntax = known.at(name);
    };
    command->add_option_function<std::string>(
        "--syntax", syntax, "raw (Explicit VR Little Endian, default), jpeg-lossless, jpeg-ls or rle")->type_name("S");
    command->add_flag("--random-overlaps", s.randomOverlaps, "each junction overlaps by 16 to 40 % of the rows, drawn");
    AddNumbers(*command, "--shift", "S", {{0, 1000}}, [&s](const std::vector<int>& v) { s.maxShift = v[0]; },
               "each piece shifted sideways by up to S columns, drawn (default 0)");
    AddNumbers(*command, "--gain", "PERCENT", {{0, 50}}, [&s](const std::vector<int>& v) { s.gainSpread = v[0] / 100.0; },
               "each piece's contrast scaled by up to +- PERCENT, drawn (default 0)");
    AddNumbers(*command, "--noise", "PERMILLE", {{0, 200}}, [&s](const std::vector<int>& v) { s.noise = v[0] / 1000.0; },
               "each piece's own noise, up to PERMILLE of the value range, drawn (default 0)");
    AddNumbers(*command, "--featureless", "J", {{1, sample::kMaxPieces}},
               [&s](const std::vector<int>& v) { s.featureless = v[0]; },
               "junction J (from 1) overlaps flat, featureless anatomy");
    AddNumbers(*command, "--seed", "N", {{0, 2147483647}}, [&s](const std::vector<int>& v) { s.seed = static_cast<unsigned>(v[0]); },
               "seed of every draw (default 1)");
    command->add_option("DIR", o.dir, "the folder the pieces are written to")->required();
    command->footer("DIR/truth.json gives per junction the offset (the row of the upper piece the lower piece's row 0\n"
                    "shows) and dx (the lower piece's column c shows the upper one's column c + dx).\n"
                    "Either every piece is written or, on failure, none is left behind.");
    command->final_callback([&s] {
        if (const std::string reason = sample::ValidateOptions(s); !reason.empty())
            throw CLI::ValidationError(reason);
    });
    return command;
}

CLI::App* DeclareStitch(CLI::App& tessor, StitchOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "stitch", "join the files into one stitched DICOM image, without a window\n"
                  "Runs the dialog's pipeline without a window: the files are loaded in the order given, the\n"
                  "adjustments are applied, and the kept rows of every image are stacked into OUT.dcm, a copy of\n"
                  "the template data set (the first file, or --reference).");
    DeclareSourceOptions(*command, o, "the stitched DICOM file (required)",
                         "hand the files to the module as decoded bitmaps instead of paths", "the template data set");
    command->get_option("--out")->required();
    command->add_flag("--auto", o.autoStitch, "cut the featureless (collimated) bands of every image automatically");
    CLI::Option* align = command->add_flag(
        "--align", o.align,
        "--auto, then place every adjacent pair by registering its overlap; a junction the images do not "
        "decide stays as trimmed and is named on stderr");
    command->add_flag("--require-aligned", o.requireAligned,
                      "with --align: a junction left as trimmed is an error (exit 3, nothing written)")
        ->needs(align);
    AddNumbers(*command, "--adjust", "I:L,T,B", {kImageIndex, kPixels, kPixels, kPixels},
               [&o](const std::vector<int>& v) { o.adjusts.push_back({v[0], CRect(v[1], v[2], 0, v[3])}); },
               "image I (from 0, stitching order) keeps rows T to B-1 and is shifted left by L pixels (right "
               "when negative); repeatable; applied after --auto, clamped as the interactive commands clamp; "
               "L, T and B within -65535 to 65535; applied after --align too");
    AddNumbers(*command, "--crop", "L,T,R,B", {kPixel, kPixel, kPixel, kPixel},
               [&o](const std::vector<int>& v) { o.crop = CRect(v[0], v[1], v[2], v[3]); },
               "crop, in pixels of the stitched image (0 to 65535)");
    command->add_option_function<std::string>(
        "--syntax",
        [&o](const std::string& name) {
            o.syntax = output::TransferSyntaxForName(name);
            if (o.syntax.empty())
                throw CLI::ValidationError("--syntax", "unknown syntax '" + name + "' (" +
                                                           output::TransferSyntaxNames() + ")");
        },
        std::string("the output's transfer syntax: ") + output::TransferSyntaxNames() +
            " (default raw: Explicit VR Little Endian, or tessor.ini's choice)")
        ->type_name("S");
    command->add_flag("--json", o.json,
                      "print the adjustment rectangles, the junctions --align found, the output geometry and the "
                      "outcome as JSON");
    command->add_option("--preview", o.preview, "also write an 8-bit PNG of the result through its window")
        ->type_name("FILE.png");
    AddPeer(*command, "--send-to", [&o](const net::Peer& peer) { o.sendTo = peer; },
            "store the result on this peer (C-STORE) when it holds every image");
    DeclareAssociation(*command, o.sendSettings);
    command->footer("Exit status: 0 written with every image (and stored with --send-to), 2 written with an image\n"
                    "left out (then not sent), 1 nothing written or not stored, 3 a junction not aligned under\n"
                    "--require-aligned (nothing written).");
    command->final_callback([&o] {
        CheckSourceOptions(o);
        for (const Adjust& adjust : o.adjusts) {
            if (!NamesCollections(o.files))
                CheckIndex("--adjust", adjust.index, o.files.size());
        }
    });
    return command;
}

CLI::App* DeclareGui(CLI::App& tessor, GuiOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "gui", "open the \"Stitch Images\" dialog on the files; exit 0 when saved\n"
               "Opens \"Stitch Images\" on the files, in the order given, the way a workstation does, centred on\n"
               "the screen.");
    DeclareSourceOptions(*command, o,
                         "where Save writes (default: stitched.dcm beside the first file; an existing file is "
                         "replaced)",
                         "hand the files over as decoded bitmaps",
                         "template data set with --bitmaps (default: the first file)");
    command->get_option("FILE")->required(false);  // none: chosen in a file dialog
    command->add_flag("--align", o.align, "open the dialog already aligned (as the Align button, Ctrl+L)");
    command->footer("Without files, a file dialog chooses them: several files, or a folder (Choose Folder); it\n"
                    "opens in the folder chosen last time.\n"
                    "The dialog's placement and that folder are kept in tessor-host.ini, its moving steps in tessor.ini\n"
                    "($TESSOR_PROFILE_DIR, else ~/.config/tessor).\n"
                    "Exit status: 0 saved (the path is printed), 1 closed without saving, no file chosen, or failed.");
    command->final_callback([&o] {
        CheckSourceOptions(o);
        if (o.out.empty() && !o.files.empty())
            o.out = DefaultGuiOutput(o.files[0]);
    });
    return command;
}

CLI::App* DeclareEcho(CLI::App& tessor, NetOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "echo", "check that a DICOM peer answers (verification)\n"
                "Opens an association with PEER, sends a C-ECHO and closes it.");
    DeclareNetOptions(*command, o);
    command->footer("Exit status: 0 the peer answered, 1 it did not (the reason is printed).");
    return command;
}

CLI::App* DeclareSend(CLI::App& tessor, SendOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "send", "store DICOM files on a peer (C-STORE)\n"
                "Sends every FILE over one association, proposing its own transfer syntax and the uncompressed\n"
                "ones as a fallback, and prints each file's status.");
    DeclareNetOptions(*command, o);
    command->add_option("FILE", o.files, "the DICOM files")->required();
    command->footer("Exit status: 0 every file stored, 1 otherwise (each file not stored is named).");
    return command;
}

CLI::App* DeclareFind(CLI::App& tessor, FindOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "find", "list the studies and series a peer holds (C-FIND)\n"
                "Queries PEER at study level, then at series level for each study found, and prints one line per\n"
                "study with its series indented below.");
    DeclareNetOptions(*command, o);
    command->add_option("--patient", o.query.patientId, "Patient ID to match (wildcards * and ? allowed)")
        ->type_name("ID");
    command->add_option("--study", o.query.studyUid, "Study Instance UID to match")->type_name("UID");
    command->add_option("--modality", o.query.modality, "modality to match, for example DX")->type_name("M");
    command->add_flag("--json", o.json, "print the studies and their series as JSON");
    command->footer("Exit status: 0 the query was answered (even with no match), 1 otherwise.");
    return command;
}

CLI::App* DeclareFetch(CLI::App& tessor, FetchOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "fetch", "retrieve a study or series from a peer into a folder (C-GET)\n"
                 "Asks PEER to send the study (or one of its series) back on our association and writes each\n"
                 "instance into DIR as <SOP Instance UID>.dcm, through a temporary file renamed into place. DIR is\n"
                 "created when missing; the files written are listed.");
    DeclareNetOptions(*command, o);
    command->add_option("--study", o.request.studyUid, "Study Instance UID to retrieve (required)")
        ->type_name("UID")
        ->required();
    command->add_option("--series", o.request.seriesUid, "only this series of the study")->type_name("UID");
    command
        ->add_option_function<std::string>(
            "--move-to",
            [&o](const std::string& title) {
                if (!net::IsValidAeTitle(title))
                    throw CLI::ValidationError("--move-to", "'" + title + "' is not an AE title (1 to 16 characters)");
                o.request.moveDestination = title;
            },
            "retrieve by C-MOVE to this AE title (the peer's name for us) instead of C-GET; needs --port")
        ->type_name("AE");
    AddNumbers(*command, "--port", "P", {{1, 65535}},
               [&o](const std::vector<int>& v) { o.request.receivePort = static_cast<std::uint16_t>(v[0]); },
               "with --move-to, the port of this machine the peer sends to, 1 to 65535");
    command->add_option("DIR", o.dir, "the folder the instances are written to")->required();
    command->footer("Exit status: 0 every instance written, 1 otherwise.");
    command->final_callback([&o] {
        if (!o.request.moveDestination.empty() && o.request.receivePort == 0)
            throw CLI::ValidationError("--move-to", "needs --port");
        if (o.request.moveDestination.empty() && o.request.receivePort != 0)
            throw CLI::ValidationError("--port", "needs --move-to");
    });
    return command;
}

CLI::App* DeclareServe(CLI::App& tessor, ServeOptions& o)
{
    CLI::App* command = tessor.add_subcommand(
        "serve", "run a storage node that stitches the series it receives\n"
                 "Accepts images (C-STORE) on --port, keeps them under the spool, stitches each series once\n"
                 "nothing arrived for it for --settle seconds, and forwards the result to --forward with retries.\n"
                 "One log line per event on stdout; SIGTERM or SIGINT finishes the current work and stops, and\n"
                 "what is left in the spool is taken up by the next start.");
    AddNumbers(*command, "--port", "P", {{1, 65535}},
               [&o](const std::vector<int>& v) { o.server.port = static_cast<std::uint16_t>(v[0]); },
               "the port to listen on, 1 to 65535 (required)")
        ->required();
    DeclareAssociation(*command, o.node.forwardSettings);
    command->get_option("--ae")->description("our AE title, as callers and the forward peer see it (default TESSOR)");
    AddPeer(*command, "--forward", [&o](const net::Peer& peer) { o.node.forward = peer; },
            "send each stitched image to this peer, AE@host:port");
    CLI::Option* trim = command->add_flag_callback(
        "--auto", [&o] { o.node.mode = node::StitchMode::Trim; },
        "cut the featureless (collimated) bands of every image before stacking (the default)");
    command
        ->add_flag_callback(
            "--align", [&o] { o.node.mode = node::StitchMode::Align; },
            "also register every junction on the overlap both images show, as tessor stitch --align")
        ->excludes(trim);
    command->add_option("--spool", o.node.spool, "the node's folder (default ./tessor-spool)")->type_name("DIR");
    AddNumbers(*command, "--settle", "S", {{1, 86400}},
               [&o](const std::vector<int>& v) { o.node.settleSeconds = static_cast<unsigned>(v[0]); },
               "seconds without a new image after which a series is complete, 1 to 86400 (default 10)");
    command->add_option("--allow", o.server.allowedCallers, "accept associations only from this calling AE title; "
                                                            "repeatable (default: any)")
        ->type_name("AE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddNumbers(*command, "--max-associations", "N", {{1, 1000}},
               [&o](const std::vector<int>& v) { o.server.maxAssociations = static_cast<unsigned>(v[0]); },
               "associations at once, 1 to 1000; more are refused (default 8)");
    AddNumbers(*command, "--retries", "N", {{1, 100}},
               [&o](const std::vector<int>& v) { o.node.maxForwardAttempts = static_cast<unsigned>(v[0]); },
               "attempts to forward a result, 1 to 100, 2 s apart and doubling up to 300 s (default 5)");
    AddSize(*command, "--max-association-bytes", [&o](std::uint64_t bytes) { o.server.maxAssociationBytes = bytes; },
            "abort an association that brings more, and remove what it stored (default 2G)");
    AddSize(*command, "--max-image-bytes", [&o](std::uint64_t bytes) { o.server.maxImageBytes = bytes; },
            "refuse an image of more decoded pixel bytes (rows x columns x frames x samples x bytes per sample; "
            "default 512M)");
    AddSize(*command, "--min-free-bytes", [&o](std::uint64_t bytes) { o.server.minFreeBytes = bytes; },
            "refuse images as out of resources while the spool's disk has less free (default 1G)");
    command->footer("Sizes take K, M, G or T (powers of 1024); 0 lifts a limit. Reception holds at most\n"
                    "--max-associations x (--max-image-bytes + 1M) of memory.\n"
                    "Exit status: 0 stopped by a signal, 1 could not start (the port or the spool).");
    command->final_callback([&o] {
        o.server.aeTitle = o.node.forwardSettings.callingAeTitle;
        o.server.timeoutSeconds = o.node.forwardSettings.timeoutSeconds;
        if (o.node.spool.empty())
            o.node.spool = "tessor-spool";
    });
    return command;
}

// The one line a usage error prints: who refused, why, and where the help is.
std::string UsageError(CLI::App& tessor, const CLI::ParseError& error)
{
    const std::vector<CLI::App*> chosen = tessor.get_subcommands();
    const std::string who = chosen.empty() ? "tessor" : "tessor " + chosen[0]->get_name();
    std::string reason = error.what();
    const std::vector<std::string> extras = tessor.remaining(true);
    if (!extras.empty() && (chosen.empty() || dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)) {
        const std::string& first = extras.front();
        reason = first.starts_with("-") ? "unknown option '" + first + "'"
                 : chosen.empty()       ? "unknown command '" + first + "'"
                                        : "unexpected argument '" + first + "'";
    } else if (chosen.empty()) {
        reason = "a command is required";
    }
    for (char& ch : reason)
        ch = ch == '\n' ? ' ' : ch;
    return who + ": " + reason + " (see " + who + " --help)";
}

}  // namespace
}  // namespace app

int main(int argc, char** argv)
{
    using namespace app;
    platform::MarkProcessStart();
    CLI::App tessor("", "tessor");
    tessor.formatter_fn([](const CLI::App* command, std::string, CLI::AppFormatMode) { return Help(*command); });
    tessor.set_help_flag("-h,--help", "this help");
    tessor.footer("'tessor <command> --help' describes a command's options.");
    // A setting given twice takes the last one, as scripts that append overrides expect.
    tessor.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Once a command is chosen, a later word is its argument even when it names a command.
    tessor.require_subcommand(1);

    InfoOptions infoOptions;
    SampleCommandOptions sampleOptions;
    StitchOptions stitchOptions;
    GuiOptions guiOptions;
    CLI::App* info = DeclareInfo(tessor, infoOptions);
    CLI::App* sample = DeclareSample(tessor, sampleOptions);
    CLI::App* stitch = DeclareStitch(tessor, stitchOptions);
    CLI::App* gui = DeclareGui(tessor, guiOptions);
    NetOptions echoOptions;
    SendOptions sendOptions;
    FindOptions findOptions;
    FetchOptions fetchOptions;
    ServeOptions serveOptions;
    CLI::App* echo = DeclareEcho(tessor, echoOptions);
    CLI::App* send = DeclareSend(tessor, sendOptions);
    CLI::App* find = DeclareFind(tessor, findOptions);
    CLI::App* fetch = DeclareFetch(tessor, fetchOptions);
    DeclareServe(tessor, serveOptions);
    try {
        tessor.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return tessor.exit(help);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "%s\n", UsageError(tessor, error).c_str());
        return 2;
    }
    if (info->parsed())
        return RunInfo(infoOptions);
    if (sample->parsed())
        return RunSample(sampleOptions);
    if (stitch->parsed()) {
        platform::EndStartUp();
        const int status = RunStitch(stitchOptions);
        if (platform::StageTraceEnabled())
            std::fputs(platform::StageTraceReport().c_str(), stderr);
        return status;
    }
    if (gui->parsed())
        return RunGui(guiOptions);
    if (echo->parsed())
        return RunEcho(echoOptions);
    if (send->parsed())
        return RunSend(sendOptions);
    if (find->parsed())
        return RunFind(findOptions);
    return fetch->parsed() ? RunFetch(fetchOptions) : RunServe(serveOptions);
}
